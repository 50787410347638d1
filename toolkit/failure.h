// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Why a folder, a drive or a picture file could not be used. The toolkit tells which; the
// program that shows it to a player puts it into words.

#include <cstdint>

namespace kt {

enum class Failure : std::uint8_t {
    None,
    NotFound,    ///< no such folder or file
    Unreadable,  ///< there, but it cannot be read (permissions, not a regular file, I/O)
    NotReady,    ///< the drive is not mounted or does not answer
    Empty,       ///< a file of no bytes
    NotAPicture, ///< bytes no decoder takes whole
    TooLarge,    ///< a picture past what the game will decode
    TooComplex,  ///< a picture that would take the decoder too long
};

} // namespace kt
