// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The program's start-up: its identity as the desktop sees it (name, version, desktop entry,
// window icon) and its first window.

namespace kt {
class Program;
}
namespace ktqt {
class Frontend;
}

namespace kolvar {

/// Gives the running QApplication the game's name, its version as "1.02.0045" and the desktop id
/// org.kolvar.kolvar.
void identify();

/// Shows the start menu, then, once it has had time to appear, gives the windows their icon (every
/// size up to 128 pixels) and decodes the battlefield's art while the player looks at the menu,
/// so that "gioca" opens the battle at once.
void start(kt::Program& app, ktqt::Frontend& frontend);

} // namespace kolvar
