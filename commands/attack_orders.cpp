// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A press on an enemy: the left button sends the selected unit toward it, the right button fires
// at it. Both are refused while the force field stands.

#include "battle/form1.h"
#include "toolkit/numbers.h"

namespace kolvar {

void Form1::ene_MouseDown(int Index, int Button, int Shift, float X, float Y) {
    (void)Shift;
    if (Index < 0 || Index > 50) return;
    // The enemy becomes the attack reference, even when the order is refused.
    tgx = ene[Index].Left;
    tgy = ene[Index].Top;
    // The force field.
    if (clock <= 200) {
        news.Caption = "can't shot trough the deflector shield";
        return;
    }
    // Walk to a point 1000 twips above the enemy.
    if (Button == kt::LeftButton) {
        uni[size_t(sel)].tx = kt::cint(ene[Index].Left);
        uni[size_t(sel)].ty = kt::cint(ene[Index].Top - 1000);
    }
    // Fire: the reach counts to the enemy's corner, the line ends where the press was.
    if (Button == kt::RightButton && uni[size_t(sel)].alive == yes) {
        target = uint8_t(Index);
        hitene = yes;
        problemo = yes;
        int16_t shooter = int16_t(Index); // fire takes the selected unit in its place
        attackOrder = true;
        fire(shooter, X, Y);
        attackOrder = false;
    }
}

} // namespace kolvar
