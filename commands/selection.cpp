// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Selecting a unit by clicking its image. Every later command addresses the selected unit, which
// the marker under it and the health caption above it show.

#include "battle/form1.h"
#include "toolkit/numbers.h"

namespace kolvar {

void Form1::ima_Click(int Index) {
    // A slot not trained yet is marked alive by the set-up but holds no unit; its image is hidden,
    // so only a script's direct click reaches it, and selecting it would command a ghost.
    if (Index < 0 || Index > c) return;
    unirec& u = uni[size_t(Index)];
    // A wreck cannot be selected.
    if (u.alive == 0) return;
    // The selection.
    sel = int16_t(Index);
    kt::Image& im = ima[Index];
    fitMarker(Index);
    showHealth(Index);
    // The recorded position catches up with the image; the destination is kept.
    u.x = kt::cint(im.Left);
    u.y = kt::cint(im.Top);
    // A builder opens the construction panel at its feet.
    if (u.kind == builderKind) {
        build.Visible = true;
        build.Top = im.Top + im.Height;
        build.Left = im.Left;
    }
    // The training panel closes (button 6 goes with its frame).
    Frame1.Visible = false;
    for (int k = 0; k <= 5; ++k) Command1[k].Visible = false;
}

void Form1::placeMarker(int i) {
    sh.Top = ima[i].Top + ima[i].Height - 10;
    sh.Left = ima[i].Left;
}

void Form1::fitMarker(int i) {
    placeMarker(i);
    sh.Width = ima[i].Width;
}

void Form1::showHealth(int i) {
    // The bare number of hit points.
    kt::setPlain(OK[i].Caption, uni[size_t(i)].hp);
    OK[i].Top = ima[i].Top - ima[i].Height;
    OK[i].Left = ima[i].Left;
}

} // namespace kolvar
