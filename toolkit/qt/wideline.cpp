// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Wide lines: the stroke Qt fills, as a rectangle when it is straight and as a parallelogram
// when it is slanted.

#include "rasterline.h"

#include <QLineF>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace ktqt {

namespace {

/// Where Qt's `int(v + 0.5f)` and its tie break cannot be told from the value alone.
bool nearTie(double v) {
    const double f = v - std::floor(v);
    return std::abs(f - 0.5) < 1e-6;
}

/// Whether Qt takes two coordinates of a wide line for the same: closer than 1/64 pixel. A line
/// whose ends are that close across is straight to it, and filled as a rectangle.
bool same(double u, double v) {
    return int((v - u) * 64.) == 0;
}

/// A wide line as Qt takes it up: its ends, after clipping, and its width relative to its
/// length. Qt clips a line only where it reaches past the device by more than its width, in
/// floating point.
struct Stroke {
    QPointF a, b;
    double width = 0;
    bool clipped = false;
};

/// The part of a line `width` device pixels wide that Qt goes on to fill, or nothing.
std::optional<Stroke> stroke(QPointF a, QPointF b, double width, const QRect& device) {
    // As QPainter passes it: the width relative to the line's length.
    Stroke s{a, b, width / QLineF(a, b).length()};
    const QPointF offs = QPointF(std::abs(b.y() - a.y()), std::abs(b.x() - a.x())) * s.width * 0.5;
    const QRectF clip(QPointF(device.topLeft()) - offs,
                      QPointF(device.bottomRight() + QPoint(1, 1)) + offs);
    if (clip.contains(a) && clip.contains(b)) return s;
    double t1 = 0, t2 = 1;
    const double o[2] = {a.x(), a.y()}, d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double low[2] = {clip.left(), clip.top()}, high[2] = {clip.right(), clip.bottom()};
    for (int i = 0; i < 2; ++i) {
        if (d[i] == 0) {
            if (o[i] <= low[i] || o[i] >= high[i]) return std::nullopt;
            continue;
        }
        double tLow = (low[i] - o[i]) / d[i], tHigh = (high[i] - o[i]) / d[i];
        if (tLow > tHigh) std::swap(tLow, tHigh);
        t1 = std::max(t1, tLow);
        t2 = std::min(t2, tHigh);
        if (t1 >= t2) return std::nullopt;
    }
    if (t1 > 0) s.a = a + (b - a) * t1;
    if (t2 < 1) s.b = a + (b - a) * t2;
    const QPointF d0 = a - b, d1 = s.a - s.b;
    const double w0 = d0.x() * d0.x() + d0.y() * d0.y(), w1 = d1.x() * d1.x() + d1.y() * d1.y();
    if (w1 == 0) return std::nullopt;
    s.width *= std::sqrt(w0 / w1);
    s.clipped = true;
    return s;
}

/// The pixels Qt fills for a straight line (a stroke of it), or nothing when it cannot be known
/// here. Qt takes a pixel when its centre lies past the rectangle's top or left edge and up to its
/// bottom or right one, but works out those edges from the line's middle, half length and
/// relative width, a rounding error apart from the ends: on an unclipped line the same arithmetic
/// gives the same pixels; on a clipped one an edge on a pixel's centre is left to QPainter.
std::optional<QRect> straightBand(Stroke s, const QRect& device) {
    QPointF pa = s.a, pb = s.b;
    double width = s.width;
    if (same(pa.y(), pb.y())) {
        // A horizontal line is turned into the vertical one that covers the same rectangle.
        const double x = (pa.x() + pb.x()) * 0.5, dx = std::abs(pb.x() - pa.x()) * 0.5;
        const double y = pa.y(), dy = width * dx;
        pa = QPointF(x, y - dy);
        pb = QPointF(x, y + dy);
        width = 1 / width;
    }
    if (!same(pa.x(), pb.x())) return std::nullopt; // not straight: see slant()
    if (pa.y() > pb.y()) std::swap(pa, pb);
    const double halfWidth = 0.5 * width * (pb.y() - pa.y());
    const double left = pa.x() - halfWidth, right = pa.x() + halfWidth;
    if (s.clipped && (nearTie(left) || nearTie(right) || nearTie(pa.y()) || nearTie(pb.y())))
        return std::nullopt;
    const auto bound = [](double v, int lo, int hi) {
        return std::clamp(v, double(lo), double(hi));
    };
    const double l = bound(left, device.left(), device.right() + 1);
    const double r = bound(right, device.left(), device.right() + 1);
    const double top = bound(pa.y(), device.top(), device.bottom() + 1);
    const double bottom = bound(pb.y(), device.top(), device.bottom() + 1);
    if (same(l, r) || same(top, bottom)) return QRect();
    return QRect(QPoint(int(l + 0.5), int(top + 0.5)),
                 QPoint(int(r + 0.5), int(bottom + 0.5)) - QPoint(1, 1));
}

/// A slanted line as Qt fills it: a parallelogram whose corners Qt floors to 1/64 pixel, filled
/// row by row from its topmost corner down to its lowest, between the sides that meet at the top
/// corner until a row passes the left or the right corner, then the sides that meet at the
/// bottom one. Each side's x is in 16.16 fixed point, half a pixel inward (so that flooring takes
/// the pixels whose centres lie within), worked out in floating point at the first row it serves
/// and then stepped by its slope, truncated. The row numbers and first rows are Qt's own: rows
/// rounded half down from the corners, truncated rather than floored above the device.
struct Slant {
    int top = 0, left = -1, right = -1, bottom = -1; ///< the rows where each corner's part ends
    /// Per side (top-left, top-right, bottom-left, bottom-right): x at its first row, and step.
    int64_t x[4] = {}, step[4] = {};
    int first[4] = {};
    int64_t at(int side, int y) const { return x[side] + step[side] * (y - first[side]); }
};

/// The way Qt fills a slanted line (a stroke of it), or nothing when this cannot be sure of it:
/// where Qt clipped the line its corners lie a rounding error from where this would put them,
/// which can move one by 1/64 pixel; and a side too close to horizontal for 16.16 fixed point
/// overflows Qt's own arithmetic.
std::optional<Slant> slant(const Stroke& s) {
    if (s.clipped) return std::nullopt;
    QPointF pa = s.a, pb = s.b;
    if (pa.y() > pb.y()) std::swap(pa, pb);
    QPointF delta = pb - pa;
    delta *= 0.5 * s.width;
    const QPointF perp(delta.y(), -delta.x());
    QPointF top = pa + perp, left = pa - perp, right = pb + perp, bottom = pb - perp;
    if (pa.x() >= pb.x()) top = pa - perp, left = pb - perp, right = pa + perp, bottom = pb + perp;
    const auto floored = [](QPointF p) {
        return QPointF(std::floor(p.x() * 64) / 64, std::floor(p.y() * 64) / 64);
    };
    top = floored(top), left = floored(left), right = floored(right), bottom = floored(bottom);
    const QPointF sides[4][2] = {{top, left}, {top, right}, {left, bottom}, {right, bottom}};
    double slope[4];
    Slant l;
    for (int i = 0; i < 4; ++i) {
        const QPointF d = sides[i][1] - sides[i][0];
        slope[i] = d.y() == 0 ? 0 : d.x() / d.y(); // a side with no height serves no row
        if (std::abs(slope[i]) >= 32767) return std::nullopt;
        l.step[i] = int(slope[i] * 65536.);
    }
    const auto lastRow = [](double y) { return y < 0.5 ? -1 : int(y - 0.5); };
    l.top = int(top.y() + 0.5);
    l.left = lastRow(left.y()), l.right = lastRow(right.y()), l.bottom = lastRow(bottom.y());
    l.first[0] = l.first[1] = l.top, l.first[2] = l.left + 1, l.first[3] = l.right + 1;
    const auto fixed = [](double v) { return int64_t(int(v * 65536.)); };
    l.x[0] = fixed(top.x() + 0.5 + (l.top + 0.5 - top.y()) * slope[0]);
    l.x[1] = fixed(top.x() - 0.5 + (l.top + 0.5 - top.y()) * slope[1]);
    l.x[2] = fixed(left.x() + 0.5 + (l.left + 1.5 - left.y()) * slope[2]);
    l.x[3] = fixed(right.x() - 0.5 + (l.right + 1.5 - right.y()) * slope[3]);
    return l;
}

/// Fills a slanted line within the painter's clip. Each row's x is the sum Qt's steps come to,
/// from the side's first row, so that a box of rows gets what a whole paint gives it.
void fillSlant(const RasterTarget& t, const Slant& l, quint32 color) {
    const QRect device = t.image->rect();
    const int middle = std::min(l.left, l.right);
    // The rows of each part, and the sides (left, right) that bound it.
    const struct {
        int from, to, leftSide, rightSide;
    } parts[] = {{l.top, middle, 0, 1},
                 {middle + 1, l.right, 2, 1},
                 {middle + 1, l.left, 0, 3},
                 {std::max(l.left, l.right) + 1, l.bottom, 2, 3}};
    for (const QRect& r : t.clip) {
        const QRect box = r & device;
        if (box.isEmpty()) continue;
        for (const auto& part : parts) {
            const int from = std::max(part.from, box.top()), to = std::min(part.to, box.bottom());
            if (from > to) continue;
            int64_t xl = l.at(part.leftSide, from), xr = l.at(part.rightSide, from);
            const int64_t sl = l.step[part.leftSide], sr = l.step[part.rightSide];
            for (int y = from; y <= to; ++y, xl += sl, xr += sr) {
                const int x0 = std::max(int(xl >> 16), box.left());
                const int x1 = std::min(int(xr >> 16), box.right());
                if (x1 >= x0) std::fill(t.row(y) + x0, t.row(y) + x1 + 1, color);
            }
        }
    }
}

} // namespace

bool fillWideLine(const RasterTarget& t, QPointF a, QPointF b, int width, quint32 color) {
    if (a == b) return true;
    const QRect device = t.image->rect();
    const auto s = stroke(a, b, width, device);
    if (!s) return true; // wholly outside
    if (!same(s->a.y(), s->b.y()) && !same(s->a.x(), s->b.x())) {
        const auto l = slant(*s);
        if (!l) return false;
        fillSlant(t, *l, color);
        return true;
    }
    const auto band = straightBand(*s, device);
    if (!band) return false;
    for (const QRect& r : t.clip) {
        const QRect box = r & *band;
        for (int y = box.top(); y <= box.bottom(); ++y)
            std::fill_n(t.row(y) + box.left(), box.width(), color);
    }
    return true;
}

} // namespace ktqt
