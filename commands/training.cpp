// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Training at the main building: the panel and the queue. The training clock that turns the
// queue into units is simulation/training_clock.cpp.

#include "battle/form1.h"
#include "toolkit/numbers.h"

namespace kolvar {

void Form1::Image2_Click() {
    Frame1.Visible = true;
    for (int k = 0; k <= 5; ++k) Command1[k].Visible = true;
}

void Form1::Command1_MouseDown(int Index, int Button, int Shift, float X, float Y) {
    (void)X, (void)Y;
    if (Index < 0 || Index > 6) return;
    const size_t k = size_t(Index);
    // Shift 5, Ctrl 10, both 20; anything with Alt 1.
    int q = 1;
    if (Shift == kt::ShiftMask) q = 5;
    if (Shift == kt::CtrlMask) q = 10;
    if (Shift == (kt::ShiftMask | kt::CtrlMask)) q = 20;
    if (Button == kt::LeftButton) {
        // Queue; a count stops at 255. A kind in training is never replaced.
        queue[k] = kt::add8(queue[k], q);
        mk[Index].Caption = kt::str(queue[k]);
        make.setEnabled(true);
        if (cur == idle) cur = uint8_t(Index);
    } else if (Button == kt::RightButton) {
        // Take back, but never the last unit of a kind.
        if (q < queue[k]) {
            queue[k] = uint8_t(queue[k] - q);
            mk[Index].Caption = kt::str(queue[k]);
        }
    }
}

} // namespace kolvar
