// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The one place that writes pixels behind QPainter's back. Each call through QPainter costs more
// in its set-up than a small sprite's pixels do, and it rasterizes a thin diagonal line pixel by
// pixel through its span machinery: where the painter's target is a plain 32-bit image and only a
// whole scale and a translation lie between, sprites, backgrounds and lines are stored directly.

#include "toolkit/widgets.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <optional>

namespace ktqt {

struct Sprite;

/// The raster image under a painter, when its pixels may be written directly: a 32-bit image the
/// painter alone holds, with no clipping, opacity or composition mode to honour, and a transform
/// that is a whole scale and a translation.
struct RasterTarget {
    QImage* image = nullptr;
    uchar* bits = nullptr;
    qsizetype stride = 0;
    int scale = 1; ///< device pixels per logical pixel
    QPoint origin; ///< the device pixel of the logical origin
    QRegion clip;  ///< the device pixels the paint may touch
    static std::optional<RasterTarget> of(QPainter& p);
    quint32* row(int y) const { return reinterpret_cast<quint32*>(bits + y * stride); }
};

/// Copies the rectangle `r` of an opaque RGB32 picture to the same place, at a whole `scale`,
/// every pixel enlarged to a scale x scale block. Qt copies a part of a large picture on threads of
/// its own, whose hand-offs cost more than the copy; and at a scale of 2 or more, reading the
/// picture at its own size and writing each row once costs far less than blitting a pre-enlarged
/// copy, a quarter of whose bytes would have to come from memory. Returns false when the painter
/// must draw it instead.
bool rasterCopy(QPainter& p, const QImage& src, const QRect& r, int scale);
/// Draws the device pixels `source` of a sprite whose transparency is binary with its top-left
/// corner at the logical point `at`, at the sprite's own scale. Returns false when the painter
/// must draw it instead.
bool rasterSprite(QPainter& p, const Sprite& sprite, QPoint at, const QRect& source);
/// Draws a solid line of the model onto the very pixels QPainter::drawLine would, with a pen
/// `BorderWidth` pixels wide, flat caps and no antialiasing. Returns false when the painter must
/// draw it instead: mostly a slanted line wider than a device pixel that reaches out of the
/// picture.
bool rasterLine(QPainter& p, const kt::Line& ln, int scale);

} // namespace ktqt
