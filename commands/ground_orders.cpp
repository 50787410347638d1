// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A press on open ground: the left button sends the selected unit there, the right button fires at
// the point, and every press turns the unit toward its destination.

#include "battle/form1.h"
#include "toolkit/numbers.h"

#include <cstdlib>

namespace kolvar {

void Form1::Form_MouseDown(int Button, int Shift, float X, float Y) {
    (void)Shift;
    unirec& u = uni[size_t(sel)];
    // The move order and the destination cross.
    if (Button == kt::LeftButton) {
        u.tx = kt::cint(X);
        u.ty = kt::cint(Y);
        placeCross(X, Y);
    }
    // A builder only walks. A wreck neither turns back into a sprite nor fires.
    if (u.kind == builderKind || u.alive == 0) return;
    // Facing: each test that holds turns the unit; the last one wins, so an exact diagonal
    // gives the side view and a destination under the unit gives the right-facing view.
    const int dx = std::abs(u.x - u.tx), dy = std::abs(u.y - u.ty);
    auto turn = [&](uint8_t face, kt::WidgetArray<kt::Image>& sprites) {
        u.face = face;
        if (sprites.exists(u.kind)) ima[sel].setPicture(sprites[u.kind].picture);
    };
    if (dx <= u.y - u.ty) turn(faceUp, backimage);
    if (dx <= u.ty - u.y) turn(faceDown, front);
    if (dy <= u.x - u.tx) turn(faceLeft, sideimagel);
    if (dy <= u.tx - u.x) turn(faceRight, sideimager);
    // A press on the ground is its own reference point.
    tgx = 0;
    tgy = 0;
    // Every kind but the tank stands in a 450-twip image whatever its picture.
    if (u.kind != tankKind) ima[sel].Width = 450;
    // The shot at the ground; its reach is measured to the pressed point itself.
    if (Button == kt::RightButton) {
        problemo = yes;
        tgx = X, tgy = Y;
        fire(sel, 0, 0);
        tgx = 0, tgy = 0;
    }
}

void Form1::placeCross(float X, float Y) {
    // An X 240 twips wide centred on the press itself, not on the rounded destination.
    Line1.X1 = X - 120, Line1.X2 = X + 120, Line1.Y1 = Y - 120, Line1.Y2 = Y + 120;
    Line2.X1 = X + 120, Line2.X2 = X - 120, Line2.Y1 = Y - 120, Line2.Y2 = Y + 120;
}

} // namespace kolvar
