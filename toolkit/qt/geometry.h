// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// From the model's twips and colours to the pixels and colours Qt draws with.

#include "toolkit/widgets.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <QRect>
#include <algorithm>
#include <cmath>

namespace ktqt {

constexpr double twips = kt::twipsPerPixel;

inline QColor qc(kt::Color c) {
    return QColor(c.r, c.g, c.b);
}

/// The nearest pixel to a twip position.
inline int px(float t) {
    return int(std::lround(t / twips));
}

inline QRect pxRect(float l, float t, float w, float h) {
    return QRect(px(l), px(t), std::max(0, px(l + w) - px(l)), std::max(0, px(t + h) - px(t)));
}

/// A line's ends in pixels, as they are drawn.
inline QLineF pxLine(const kt::Line& ln) {
    return QLineF(ln.X1 / twips, ln.Y1 / twips, ln.X2 / twips, ln.Y2 / twips);
}

/// Device pixels per logical pixel of the painter's target when its transform is a plain scale
/// that leaves whole device pixels whole (1, 1.5, 2 ...), or 0 when it is anything else: a
/// rotation, a shear, an origin between two device pixels.
inline qreal uniformScale(const QPainter& p) {
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxScale || t.m11() != t.m22()) return 0;
    const qreal s = t.m11();
    if (s < 1 || s > 8) return 0;
    if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy())) return 0;
    return s;
}

/// Whole device pixels per logical pixel of the painter's target (1 on a plain screen, 2 on a
/// doubled HiDPI one), or 0 when its transform is anything else: a fractional scale, a rotation.
inline int wholeScale(const QPainter& p) {
    const qreal s = uniformScale(p);
    return s == std::floor(s) ? int(s) : 0;
}

} // namespace ktqt
