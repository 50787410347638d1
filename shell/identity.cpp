// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "identity.h"

namespace kolvar {

kt::Identity identity() {
    return {KOLVAR_TITLE, KOLVAR_VERSION_MAJOR, KOLVAR_VERSION_MINOR, KOLVAR_VERSION_PATCH};
}

} // namespace kolvar
