// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The training clock: while a kind is in training it fills the progress bar and, on the kind's
// last tick, puts the unit on the field and takes it from the queue. A unit is paid for when it
// is finished, not when it is queued.

#include "battle/form1.h"
#include "toolkit/numbers.h"

#include <cassert>

namespace kolvar {

void Form1::make_Timer() {
    assert(cur != idle && tempo[cur] > 0);
    if (cur == idle || tempo[cur] == 0) {
        make.setEnabled(false);
        return;
    }
    // One tick more; the bar is full on the finishing tick.
    prog = kt::add8(prog, 1);
    done.X2 = qnty.X1 + (qnty.X2 - qnty.X1) / float(tempo[cur]) * float(prog);
    if (prog != tempo[cur]) return;
    // The unit is finished (or refused), and leaves the queue either way.
    spawn(cur);
    prog = 0;
    queue[cur] = uint8_t(queue[cur] - 1);
    mk[cur].Caption = kt::str(queue[cur]);
    if (queue[cur] > 0) return;
    // Next: the highest-numbered kind with units queued, or nothing.
    const uint8_t was = cur;
    for (uint8_t k = 0; k <= 10; ++k)
        if (queue[k] > 0) cur = k;
    if (cur == was) {
        cur = idle;
        make.setEnabled(false);
    }
}

void Form1::spawn(int16_t k) {
    // Money equal to the price is not enough; a full unit table takes nobody more.
    if (!(cost[size_t(k)] < yen) || c >= 80) {
        news.Caption = "Unit impossible to do  commander";
        return;
    }
    // The next slot, its picture, the payment, its kind and width.
    c += 1;
    kt::Image& im = ima[c];
    im.setPicture(front[k].picture);
    yen = kt::add16(yen, -cost[size_t(k)]);
    unirec& u = uni[size_t(c)];
    u.kind = uint8_t(k);
    if (k != tankKind) im.Width = 350;
    // Rows of 15 in front of the building; the first two rows start further right.
    const int row = (c - 1) / 15, column = c - 15 * row;
    im.Left = float(600 * column + (row < 2 ? 2340 : 2000));
    im.Top = float(3000 + 500 * row);
    // On the field, where its record says it is, with its kind's health.
    im.Visible = true;
    u.tx = u.x = kt::cint(im.Left);
    u.ty = u.y = kt::cint(im.Top);
    u.hp = life[size_t(k)];
}

} // namespace kolvar
