// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Who the game is: its title and version, as the build names the project. Every program that
// runs the game is made with it; the start menu and the message boxes show it.

#include "toolkit/program.h"

namespace kolvar {

kt::Identity identity();

} // namespace kolvar
