// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The movement and economy tick: every unit one step toward its destination, the income, the
// money display, the player's shot line cleared, and the defeat test.

#include "battle/form1.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

#include <cmath>

namespace kolvar {

void Form1::Timer2_Timer() {
    // Every unit in use, killed ones too (they only get their cell refreshed).
    const int16_t last = c;
    for (int16_t i = 0; i <= last; ++i) {
        walk(i);
        locate(i);
    }
    // Income, and the money in thousands: " 2001000 euri", "-50000 euri".
    yen = kt::add16(yen, er);
    Label1.Caption = kt::str(yen) + "000 euri";
    // A shot shows until the next tick; one fired back in this instant's enemy turn, until the
    // tick after.
    if (!shotOutlastsTick()) Line3.Visible = false;
    // Defeat: the commander is gone.
    if (uni[0].alive == 0) {
        Timer1.setEnabled(false);
        make.setEnabled(false);
        news.Caption = "Tovo e morto";
        app.msgbox(this, " Missione Fallita Game Over");
        endBattle();
    }
}

void Form1::walk(int16_t i) {
    unirec& u = uni[size_t(i)];
    // Only a living unit away from its destination on both axes moves.
    go = yes;
    if (u.x == u.tx) go = 0;
    if (u.y == u.ty) go = 0;
    if (u.alive == 0) go = 0;
    if (go != yes) return;
    // The force field: while it stands, no destination at or below y 4320.
    if (!((u.ty < 4320 && clock <= 200) || clock > 200)) {
        news.Caption = " nn puoi andare li";
        u.ty = 4300;
        return;
    }
    // A step covers 1/k of the way, k = whole hundreds of twips left (at most 255).
    const double d =
        std::sqrt(double(u.ty - u.y) * (u.ty - u.y) + double(u.tx - u.x) * (u.tx - u.x));
    const uint8_t k = kt::floor8(d / 100);
    if (k == 0) return;
    // x first; y then uses the old y.
    u.x = kt::cint(double(u.tx - u.x) / k + u.x);
    ima[i].Left = u.x;
    u.y = kt::cint(double(u.ty - u.y) / k + u.y);
    ima[i].Top = u.y;
    // The health caption follows the selected unit, whichever unit moved.
    showHealth(sel);
    // So does the marker, when the selected unit is the one that moved; it keeps its width.
    if (i == sel) placeMarker(sel);
}

void Form1::locate(int16_t i) {
    unirec& u = uni[size_t(i)];
    const Cell cell = cellOf(u.x, u.y);
    u.col = cell.col;
    u.row = cell.row;
}

} // namespace kolvar
