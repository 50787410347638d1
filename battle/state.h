// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The battle's plain data types, with the exact widths the game's arithmetic relies on.

#include "toolkit/numbers.h"

#include <cstdint>

namespace kolvar {

/// True as stored in a 16-bit flag (all bits set); false is 0.
constexpr int16_t yes = -1;

/// One slot of the unit table; fields in their historical order.
struct unirec {
    int16_t alive = 0; ///< -1 lives, 0 killed
    uint8_t hp = 0;    ///< health points
    uint8_t kind = 0;  ///< 0..5 soldiers, 6 builder, 10 commander, 11 cheat kind
    int16_t x = 0;     ///< Left of the unit's image, twips
    int16_t y = 0;     ///< Top of the unit's image, twips
    int16_t tx = 0;    ///< destination Left
    int16_t ty = 0;    ///< destination Top
    uint8_t col = 0;   ///< cell column of (x, y), 1000-twip cells
    uint8_t row = 0;   ///< cell row
    uint8_t face = 0;  ///< 1 up, 2 left, 3 down, 4 right; 0 before the first order
};

/// A cell of the field, 1000 twips square; enemies aim along columns of cells.
struct Cell {
    uint8_t col = 0, row = 0;
};
/// The cell of the point (x, y): whole thousands of twips, rounded down. Before the field's top
/// or left edge a point is in cell 0; far past its right edge, in column 255.
inline Cell cellOf(double x, double y) {
    return {kt::floor8(x / 1000.0), kt::floor8(y / 1000.0)};
}

/// Facings, as stored in unirec::face.
enum Facing : uint8_t { faceUp = 1, faceLeft = 2, faceDown = 3, faceRight = 4 };

/// Unit kinds with a meaning of their own.
constexpr uint8_t builderKind = 6, commanderKind = 10, cheatKind = 11, tankKind = 4;
/// `cur` when nothing is in training.
constexpr uint8_t idle = 255;

} // namespace kolvar
