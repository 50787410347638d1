// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Thin lines: Qt's stepper, clipping and fixed point.

#include "rasterline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ktqt {

namespace {

/// Clips the coordinate `a` of both ends to lo..hi, moving the other coordinate `b` along the
/// line. Returns false when nothing is left.
bool clipAxis(double& a1, double& b1, double& a2, double& b2, double lo, double hi) {
    if (a1 < lo) {
        if (a2 <= lo) return false;
        b1 += (b2 - b1) / (a2 - a1) * (lo - a1);
        a1 = lo;
    } else if (a1 > hi) {
        if (a2 >= hi) return false;
        b1 += (b2 - b1) / (a2 - a1) * (hi - a1);
        a1 = hi;
    }
    if (a2 < lo) {
        b2 += (b2 - b1) / (a2 - a1) * (lo - a2);
        a2 = lo;
    } else if (a2 > hi) {
        b2 += (b2 - b1) / (a2 - a1) * (hi - a2);
        a2 = hi;
    }
    return true;
}

/// Clips a thin line's ends as Qt does before stepping: in floating point, to a pixel beyond the
/// device on each side, one end and one side at a time, x first. Returns false when nothing is
/// left.
bool clipThin(double& x1, double& y1, double& x2, double& y2, const QRect& device) {
    return clipAxis(x1, y1, x2, y2, device.left() - 1, device.right() + 2) &&
           clipAxis(y1, x1, y2, x2, device.top() - 1, device.bottom() + 2);
}

/// A thin line's pixels: along the major axis from `first` to `last`, the minor coordinate of the
/// pixel at `first + k` being (start + k * step) >> 16.
struct ThinLine {
    bool steep = false; ///< y is the major axis
    int first = 0, last = -1;
    int start = 0, step = 0;
};

/// Qt's stepper: the clipped ends truncated to 26.6 fixed point; along the major axis from the
/// pixel nearest the start to the one before the pixel nearest the end, a tie going right or down;
/// across, the line's position in 16.16 fixed point, floored, taken at the first pixel's centre
/// when the line goes down the minor axis and at the pixel's left or top edge when it goes up.
/// The latter is where a line symmetric to another is drawn a pixel apart from its mirror image.
ThinLine thinLine(QPointF a, QPointF b, const QRect& device) {
    double rx1 = a.x(), ry1 = a.y(), rx2 = b.x(), ry2 = b.y();
    if (!clipThin(rx1, ry1, rx2, ry2, device)) return {};
    int x1 = int(rx1 * 64), y1 = int(ry1 * 64), x2 = int(rx2 * 64), y2 = int(ry2 * 64);
    ThinLine l;
    l.steep = std::abs(x2 - x1) < std::abs(y2 - y1);
    if (l.steep) std::swap(x1, y1), std::swap(x2, y2);
    if (x1 == x2) return {}; // closer than 1/64 pixel: Qt would divide by zero
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    const int dy = y2 - y1, dx = x2 - x1;
    l.step = std::abs(dy) > 0x7fff ? int(int64_t(dy) * 65536 / dx) : dy * 65536 / dx;
    l.first = (x1 + 32) >> 6;
    l.last = ((x2 + 32) >> 6) - 1;
    const int round = l.step > 0 ? 32 : 0;
    l.start = y1 * 1024 + ((l.first * 64 + round - x1) * l.step >> 6);
    return l;
}

/// `n` / `d` rounded down, for a positive `d`.
int64_t floorDiv(int64_t n, int64_t d) {
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

/// Stores a thin line's pixels within the painter's clip.
void drawThin(const RasterTarget& t, const ThinLine& l, quint32 color) {
    for (const QRect& r : t.clip) {
        const QRect box = r & t.image->rect();
        if (box.isEmpty()) continue;
        const int acrossLo = l.steep ? box.left() : box.top();
        const int acrossHi = l.steep ? box.right() : box.bottom();
        int lo = std::max(l.first, l.steep ? box.top() : box.left());
        int hi = std::min(l.last, l.steep ? box.bottom() : box.right());
        // Only the steps whose pixel meets the box across the line: the minor coordinate of step
        // k lies within [acrossLo, acrossHi] when k * step lies within [from, to].
        const int64_t from = int64_t(acrossLo) * 65536 - l.start;
        const int64_t to = (int64_t(acrossHi) + 1) * 65536 - 1 - l.start;
        if (l.step > 0) {
            lo = int(std::max<int64_t>(lo, l.first + floorDiv(from + l.step - 1, l.step)));
            hi = int(std::min<int64_t>(hi, l.first + floorDiv(to, l.step)));
        } else if (l.step < 0) {
            lo = int(std::max<int64_t>(lo, l.first + floorDiv(-to - l.step - 1, -l.step)));
            hi = int(std::min<int64_t>(hi, l.first + floorDiv(-from, -l.step)));
        } else if (from > 0 || to < 0) {
            continue;
        }
        // Stepped from the line's first pixel, not from the box's: a repaint of any part of the
        // window must put each pixel where a whole paint puts it.
        int64_t at = l.start + int64_t(lo - l.first) * l.step;
        for (int i = lo; i <= hi; ++i, at += l.step) {
            const int j = int(at >> 16);
            (l.steep ? t.row(i)[j] : t.row(j)[i]) = color;
        }
    }
}

} // namespace

void drawThinLine(const RasterTarget& t, QPointF a, QPointF b, quint32 color) {
    if (a == b) {
        // A line of no length is a point, rounded as Qt rounds one.
        const QPoint at(qRound(a.x()), qRound(a.y()));
        if (t.clip.contains(at) && t.image->rect().contains(at)) t.row(at.y())[at.x()] = color;
        return;
    }
    drawThin(t, thinLine(a, b, t.image->rect()), color);
}

} // namespace ktqt
