// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battle set-up: the battlefield's load handler, run once each time the window is created,
// which starts a battle. The steps run in this order on purpose: the background is read first
// (which may create the browser hidden) and the start menu is closed last.

#include "battle/form1.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

namespace kolvar {

void Form1::Form_Load() {
    // The background chosen in the browser, if any.
    picture = app.get<brow>().picture;
    // Money, the idle trainer and the per-kind tables; kinds 7..9 stay 0.
    yen = 2000;
    cur = idle;
    cost = {15, 20, 20, 10, 70, 30, 5};
    tempo = {15, 18, 15, 20, 10, 7, 5};
    reach = {25, 25, 25, 25, 30, 35};
    reach[10] = 40;
    reach[11] = 40;
    er = 1;
    life = {30, 30, 30, 30, 30, 30, 50};
    // The commander in slot 0, where its image stands.
    uni[0].alive = yes;
    uni[0].hp = 50;
    uni[0].kind = commanderKind;
    uni[0].x = uni[0].tx = kt::cint(ima[0].Left);
    uni[0].y = uni[0].ty = kt::cint(ima[0].Top);
    // Every slot alive, with its image and health caption created hidden.
    for (int i = 1; i <= 80; ++i) {
        uni[size_t(i)].alive = yes;
        ima.load(i);
        OK.load(i);
    }
    // The force field.
    Line4[0].BorderColor = kt::colors::green;
    // The enemies' shot lines and cells; enemy 0 gets its cell when it first moves.
    for (int i = 1; i <= 50; ++i) {
        Line4.load(i);
        locateEnemy(i);
    }
    // The training progress bar.
    qnty.BorderColor = kt::colors::red;
    done.BorderColor = kt::colors::yellow;
    // The battle has begun: the start menu goes.
    if (auto* menu = app.loaded<frmSplash>()) menu->unload();
}

void Form1::endBattle() {
    hide();
    showStartMenu(app);
    unload();
}

void Form1::Form_Close() {
    // Closing the window ends this battle as a defeat would, without the message box; unloading
    // stops the clocks.
    endBattle();
}

} // namespace kolvar
