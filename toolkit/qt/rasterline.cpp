// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The line fast path: solid lines of the model written straight into the raster target, pixel
// for pixel where QPainter::drawLine would put them.

#include "raster.h"

#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ktqt {

namespace {

// QPainter draws an aliased line one device pixel wide with a stepper of its own and a wider one
// as a filled shape. Both round in their own ways, worked out by drawing lines with QPainter and
// comparing pixels, and reproduced here operation by operation: an end exactly on a pixel's edge
// goes one way or the other by the last bit of the arithmetic.

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

bool rasterLine(QPainter& p, const kt::Line& ln, int scale) {
    const auto t = scale == 0 ? std::nullopt : RasterTarget::of(p);
    if (!t) return false;
    const QRect device = t->image->rect();
    // Far past any window; the fixed point below has room for this and no more.
    if (device.width() > 16384 || device.height() > 16384) return false;
    const QTransform m = p.deviceTransform();
    const QPointF a = m.map(QPointF(ln.X1 / twips, ln.Y1 / twips));
    const QPointF b = m.map(QPointF(ln.X2 / twips, ln.Y2 / twips));
    const int width = std::max(1, ln.BorderWidth) * t->scale;
    const quint32 color = qRgb(ln.BorderColor.r, ln.BorderColor.g, ln.BorderColor.b);
    if (width == 1) {
        if (a == b) {
            // A line of no length is a point, rounded as Qt rounds one.
            const QPoint at(qRound(a.x()), qRound(a.y()));
            if (t->clip.contains(at) && device.contains(at)) t->row(at.y())[at.x()] = color;
            return true;
        }
        drawThin(*t, thinLine(a, b, device), color);
        return true;
    }
    // Past any line the game draws; wider ones would outgrow the fixed point below.
    if (width > 256) return false;
    if (a == b) return true;
    const auto s = stroke(a, b, width, device);
    if (!s) return true; // wholly outside
    if (!same(s->a.y(), s->b.y()) && !same(s->a.x(), s->b.x())) {
        const auto l = slant(*s);
        if (!l) return false;
        fillSlant(*t, *l, color);
        return true;
    }
    const auto band = straightBand(*s, device);
    if (!band) return false;
    for (const QRect& r : t->clip) {
        const QRect box = r & *band;
        for (int y = box.top(); y <= box.bottom(); ++y)
            std::fill_n(t->row(y) + box.left(), box.width(), color);
    }
    return true;
}

} // namespace ktqt
