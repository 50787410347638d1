// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Battle situations the benchmarks start from, set up through the real program (kolvar::Game:
// the model with its Qt views on the offscreen platform).

#include "harness.h"

#include <QByteArray>

namespace kbench {

/// A 794 x 642 photograph-like JPEG (gradients and grain), the size of the battlefield's client
/// area: what a background picked in the browser costs to decode and draw.
QByteArray backgroundJpeg();

/// Trains `n` soldiers (kind 0) quickly: money is topped up and the building evolved until a unit
/// takes a tick, then the clock runs until all stand in their rows before the building.
void trainSoldiers(kolvar::Game& g, int n);

/// Everything the battlefield can show at once: the JPEG background, 51 enemies, 80 units, every
/// enemy's shot line and the player's, the selection marker, the labels, and both panels open.
void fullBattlefield(kolvar::Game& g);

} // namespace kbench
