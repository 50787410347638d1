// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The pixels QPainter gives a line, kept. It steps a long slanted line through its span machinery
// pixel by pixel: fifty shots across the field cost more than the rest of a frame. So a line is
// drawn once by QPainter into an image of its own and its pixels kept as runs; while the line
// stays as it is, a paint stores those runs straight into the window's image.

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <optional>
#include <vector>

namespace ktqt {

/// The device pixels (from the logical origin, in runs one row high) that QPainter gives a line
/// `ends` drawn with `pen` at `scale` (see uniformScale) on a device whose pixels are `device`
/// (from the same origin): the same call into an image of the line's own, its transform moved by
/// whole device pixels. Nothing when that image would be unreasonably large.
std::optional<std::vector<QRect>> linePixels(const QPen& pen, const QLineF& ends, qreal scale,
                                             const QRect& device);
/// Whether the line leaves `device`, so that QPainter cuts it (see linePixels): drawn straight
/// within a repaint's clip, it may then be cut at the clip's edges too.
bool leavesDevice(const QPen& pen, const QLineF& ends, qreal scale, const QRect& device);
/// The pixels of the device `p` paints on, from its logical origin (see linePixels).
QRect deviceFromOrigin(const QPainter& p);

/// Stores the `runs` linePixels gave at `scale` in `color` within the painter's clip. Returns
/// false when the painter's target cannot take them: anything but a 32-bit image the painter
/// alone holds at that scale, with no clipping, opacity or composition mode of its own.
bool storeRuns(QPainter& p, const std::vector<QRect>& runs, qreal scale, QRgb color);

} // namespace ktqt
