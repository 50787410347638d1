#pragma once
// The program's identity as the desktop sees it: name, version, desktop entry and window icon.

namespace kolvar {

/// Gives the running QApplication the game's name, version "1.02.0045", desktop id
/// org.kolvar.Kolvar and window icon in every installed size.
void identify();

} // namespace kolvar
