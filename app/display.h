// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Connecting to the player's display, for every program that opens the game's windows on it.

#include <QApplication>
#include <memory>

namespace kolvar {

/// The QApplication on the player's display, with the game's identity and fonts ready. Without a
/// display (an ssh shell, a text console, a display that does not answer) prints one line saying
/// so, `program` first, and exits with status 1.
std::unique_ptr<QApplication> openDisplay(const char* program, int& argc, char** argv);

} // namespace kolvar
