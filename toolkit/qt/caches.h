// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// What the backend prepares once and draws many times: every picture's sprites per device scale,
// and the fonts with their glyphs. The Frontend owns them, so they live as long as its windows
// and go with them; a second frontend (a test's, a benchmark's) starts cold.

#include "pictures.h"
#include "text.h"

namespace ktqt {

struct Caches {
    Sprites sprites;
    Fonts fonts;
};

} // namespace ktqt
