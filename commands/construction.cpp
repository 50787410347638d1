// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Spending on the economy: a mine under the selected unit, or an evolution of the building.
// Neither is refused for lack of money: going into debt is part of the game.

#include "battle/form1.h"
#include "toolkit/numbers.h"

#include <algorithm>

namespace kolvar {

void Form1::command2_Click() {
    if (er == 255) return; // the income counts 255 mines at most
    // The new mine is element er (the first built is element 2).
    er += 1;
    kt::Image& mine = Image3.load(er);
    mine.setPicture(Image3[0].picture);
    // The panel closes.
    build.Visible = false;
    // At the feet of whichever unit is selected now.
    mine.Top = ima[sel].Height + ima[sel].Top;
    mine.Left = ima[sel].Left;
    mine.Visible = true;
    // The price.
    yen = kt::add16(yen, -100);
}

void Form1::evo_Click() {
    if (500 * (evol + 1) > 32767) return; // the price must fit the money's range
    // The evolved look; each level costs 500 more than the last.
    Image2.setPicture(front[30].picture);
    evol += 1;
    yen = kt::add16(yen, -500 * evol);
    // Training ticks twice as often, down to 1 ms (never 0, which would stop training).
    make.setInterval(std::max(1, kt::clng(make.interval() / 2.0)));
}

} // namespace kolvar
