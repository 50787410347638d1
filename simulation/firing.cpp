// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every shot of the player's side: fire decides whether the shooter reaches the reference point
// (tgx, tgy), shoot draws the line and, for an attack order, destroys the enemy.

#include "battle/form1.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

#include <cmath>

namespace kolvar {

void Form1::fire(int16_t& index, float dx, float dy) {
    // An order of the player always comes from the selected unit.
    if (problemo == yes) index = sel;
    // Distance from the shooter's corner to the reference point, against its reach.
    const double L = ima[index].Left, T = ima[index].Top;
    const int16_t d = kt::floor16(std::sqrt((L - tgx) * (L - tgx) + (tgy - T) * (tgy - T)));
    const int r = reach[uni[size_t(index)].kind] * 250;
    if (d > r) {
        news.Caption = " mannaggia nn ci arriva";
        return;
    }
    shoot(index, dx, dy);
}

void Form1::shoot(int16_t index, float dx, float dy) {
    // The line, plain red by default.
    Line3.X1 = ima[index].Left + 200;
    Line3.Y1 = ima[index].Top + 200;
    Line3.X2 = tgx + dx;
    Line3.Y2 = tgy + dy;
    Line3.Visible = true;
    Line3.BorderWidth = 1;
    Line3.BorderStyle = 1;
    Line3.BorderColor = kt::colors::red;
    firedBackAt = problemo == yes ? -1 : app.clock.now();
    // The player's own shots take the look of the shooter's weapon.
    if (problemo == yes) {
        const uint8_t kind = uni[size_t(index)].kind;
        if (kind == 2) Line3.BorderColor = {255, 0, 255}, Line3.BorderWidth = 4;
        if (kind == 3 || kind == 0) Line3.BorderColor = {64, 64, 64}, Line3.BorderStyle = 4;
        if (kind == 4) Line3.BorderColor = kt::colors::green, Line3.BorderWidth = 2;
        if (kind == 5)
            Line3.BorderColor = kt::colors::blue, Line3.BorderWidth = 1, Line3.BorderStyle = 2;
    }
    // Only an attack order destroys, and only the enemy it was aimed at, and only once, so
    // the kills always equal the enemies destroyed.
    if (hitene == yes && attackOrder && enedead[target] != yes) {
        ene[target].setPicture(Image1[1].picture);
        enedead[target] = yes;
        kills = kt::add8(kills, 1);
    }
}

bool Form1::shotOutlastsTick() const {
    return firedBackAt == app.clock.now();
}

} // namespace kolvar
