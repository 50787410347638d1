// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The enemy's clock: the force field's life, the announcement, and from tick 255 an enemy turn
// every fifth tick, in which every standing enemy steps up and fires at the first unit ahead.

#include "battle/form1.h"
#include "toolkit/numbers.h"
#include "toolkit/program.h"

namespace kolvar {

void Form1::Timer1_Timer() {
    // The clock stops at its 16-bit limit after 54.6 minutes; the turns keep their rhythm past it,
    // counting on in `overtime`, or a long battle could never be won or lost.
    const bool held = clock == INT16_MAX;
    clock = kt::add16(clock, 1);
    if (held) overtime = uint8_t((overtime + 1) % 5);
    if (clock == 200) news.Caption = " lo scudo ha ceduto";
    if (clock == 250) news.Caption = "ALL ATTACCO";
    if (turnDue()) raid();
}

void Form1::raid() {
    // Victory, tested at the start of a turn.
    if (kills >= 50) {
        win();
        return;
    }
    // Every standing enemy in index order steps up and fires at the first unit ahead, if any.
    for (uint8_t i = 0; i <= 50; ++i) {
        Line4[i].Visible = false; // last turn's shot; at the first turn, (0) is the force field
        if (enedead[i] == yes) continue;
        march(i);
        zorder(Line4[i]);
        const int j = aim(i);
        if (j < 0) continue;
        showEnemyShot(i, j);
        strike(i, j);
    }
}

void Form1::win() {
    // The battlefield is gone after the message; unloading stops the clocks.
    app.msgbox(this, "Hai vinto!!");
    endBattle();
}

int Form1::aim(uint8_t i) const {
    // The first living unit in the enemy's column, in its cell or the two above.
    const int col = enecell[0][i], row = enecell[1][i];
    for (int k = 0; k <= c; ++k) {
        const unirec& u = uni[size_t(k)];
        if (u.alive != 0 && u.col == col && (u.row == row || u.row == row - 1 || u.row == row - 2))
            return k;
    }
    return -1;
}

void Form1::showEnemyShot(uint8_t i, int j) {
    kt::Line& shot = Line4[i];
    shot.X1 = ene[i].Left + 120;
    shot.Y1 = ene[i].Top + 120;
    shot.X2 = ima[j].Left - 120;
    shot.Y2 = ima[j].Top + 150;
    shot.Visible = true;
    shot.BorderColor = kt::colors::blue;
    shot.BorderWidth = 1;
}

void Form1::strike(uint8_t i, int j) {
    // Each shot of the battle one point stronger: 1..20, then 1 again.
    dmg = kt::add8(dmg, 1);
    unirec& hit = uni[size_t(j)];
    if (dmg > hit.hp) {
        wreck(j);
    } else {
        hit.hp = uint8_t(hit.hp - dmg);
        returnFire(j, i);
    }
    if (dmg == 20) dmg = 0;
}

void Form1::wreck(int j) {
    // A wreck where it stood, and the selection back to the commander.
    unirec& u = uni[size_t(j)];
    u.hp = 0;
    u.alive = 0;
    ima[j].setPicture(Image1[0].picture);
    sel = 0;
    fitMarker(0);
}

void Form1::returnFire(int j, uint8_t i) {
    // Unit j fires back at enemy i, which hit it. The player's own attack reference is kept for
    // the player's next order.
    problemo = 0;
    const float keepX = tgx, keepY = tgy;
    tgx = ene[i].Left, tgy = ene[i].Top;
    int16_t shooter = int16_t(j);
    fire(shooter, 0, 0);
    tgx = keepX, tgy = keepY;
}

void Form1::march(uint8_t i) {
    // Up toward the player's side; along the top edge to the right once there.
    if (ene[i].Top < 50)
        ene[i].Left = ene[i].Left + 50;
    else
        ene[i].Top = ene[i].Top - 50;
    locateEnemy(i);
}

void Form1::locateEnemy(int i) {
    const Cell cell = cellOf(ene[i].Left, ene[i].Top);
    enecell[0][i] = cell.col;
    enecell[1][i] = cell.row;
}

} // namespace kolvar
