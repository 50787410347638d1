// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The embedded artwork, by file base name ("front_4", "ene").

#include "toolkit/picture.h"

#include <functional>
#include <string>

namespace kolvar {

/// The embedded picture `name` (":/assets/<name>.gif"). A missing picture is a build error caught
/// by the tests; here it yields an empty picture.
kt::Picture art(const std::string& name);

/// Decodes every embedded picture into the cache, so that the first battle need not wait for it,
/// and hands each to `prepare` (a view makes its pixmaps there).
void warmArt(const std::function<void(const kt::Picture&)>& prepare = {});

} // namespace kolvar
