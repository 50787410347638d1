// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A fuzz input read a byte at a time, shared by the fuzz targets that decode sessions.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kolvar::fuzz {

/// The input, read a byte at a time; zeros once it is used up.
struct Bytes {
    const uint8_t* p;
    size_t n;
    bool done() const { return n == 0; }
    unsigned byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    unsigned word() { return byte() << 8 | byte(); }
};

/// One of the cheat box's codes, as a byte picks it.
inline std::string cheatCode(unsigned b) {
    static const char* const codes[] = {"vildra", "pelmantra gox", "dek mova", "frastol"};
    return codes[b % 4];
}

} // namespace kolvar::fuzz
