// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Selecting a unit by clicking its image. Every later command addresses the selected unit.

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
    // The marker under the unit, as wide as its image is now.
    sh.Top = im.Top + im.Height - 10;
    sh.Left = im.Left;
    sh.Width = im.Width;
    // The health caption above it, the bare number of hit points.
    OK[Index].Caption = kt::plain(u.hp);
    OK[Index].Top = im.Top - im.Height;
    OK[Index].Left = im.Left;
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

} // namespace kolvar
