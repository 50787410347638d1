// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The platform's number conversions, in one place so no handler rolls its own.
//
// Stored integers come from floats by rounding to the nearest integer with an exact half going to
// the even neighbour (std::nearbyint under the default rounding mode); "integer part" means
// rounding toward minus infinity (std::floor). Every conversion saturates at the bounds of its
// type instead of wrapping, and a NaN becomes 0.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace kt {

namespace detail {
template <class Int> Int saturate(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<Int>::min();
    constexpr double hi = std::numeric_limits<Int>::max();
    if (v <= lo) return std::numeric_limits<Int>::min();
    if (v >= hi) return std::numeric_limits<Int>::max();
    return static_cast<Int>(v);
}
} // namespace detail

/// Nearest 16-bit integer, ties to even (100.5 -> 100, 101.5 -> 102); saturating.
inline int16_t cint(double v) {
    return detail::saturate<int16_t>(std::nearbyint(v));
}
/// Nearest 32-bit integer, ties to even; saturating.
inline int32_t clng(double v) {
    return detail::saturate<int32_t>(std::nearbyint(v));
}
/// Integer part toward minus infinity, as a 16-bit integer; saturating.
inline int16_t floor16(double v) {
    return detail::saturate<int16_t>(std::floor(v));
}
/// Integer part toward minus infinity, as an 8-bit unsigned integer; saturating at 0 and 255.
inline uint8_t floor8(double v) {
    return detail::saturate<uint8_t>(std::floor(v));
}

/// a + b within 0..255.
inline uint8_t add8(uint8_t a, int b) {
    return detail::saturate<uint8_t>(double(a) + b);
}
/// a + b within -32768..32767.
inline int16_t add16(int16_t a, int b) {
    return detail::saturate<int16_t>(double(a) + b);
}

/// Plain decimal digits, a minus sign when negative: 50 -> "50", -5 -> "-5".
inline std::string plain(long v) {
    return std::to_string(v);
}
/// s = plain(v), without building a string when s already reads so: captions rewritten every
/// tick with the same number cost a comparison.
inline void setPlain(std::string& s, long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const std::string_view digits(buf, size_t(r.ptr - buf));
    if (s != digits) s.assign(digits);
}
/// Decimal digits with one leading blank in place of the sign for 0 or more: 5 -> " 5", -5 -> "-5".
inline std::string str(long v) {
    return v < 0 ? std::to_string(v) : " " + std::to_string(v);
}

/// The number at the start of a text, after leading blanks; 0 when there is none.
/// Reads captions written by str() or plain() back; saturates at the bounds of long.
inline long val(const std::string& s) {
    size_t i = s.find_first_not_of(" \t");
    if (i == std::string::npos) return 0;
    bool neg = false;
    if (s[i] == '-' || s[i] == '+') neg = s[i++] == '-';
    // Accumulated toward the sign's side, so that the most negative long is read too.
    constexpr long lo = std::numeric_limits<long>::min(), hi = std::numeric_limits<long>::max();
    long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const int d = s[i] - '0';
        if (neg ? v < (lo + d) / 10 : v > (hi - d) / 10) return neg ? lo : hi;
        v = v * 10 + (neg ? -d : d);
    }
    return v;
}

} // namespace kt
