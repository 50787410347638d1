// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The line fast path's two halves. QPainter draws an aliased line one device pixel wide with a
// stepper of its own and a wider one as a filled shape. Both round in their own ways, worked out
// by drawing lines with QPainter and comparing pixels, and reproduced operation by operation: an
// end exactly on a pixel's edge goes one way or the other by the last bit of the arithmetic.

#include "raster.h"

#include <QPointF>

namespace ktqt {

/// Stores a line one device pixel wide from device point `a` to `b`, within the target's clip.
void drawThinLine(const RasterTarget& t, QPointF a, QPointF b, quint32 color);
/// Fills a line `width` (2 to 256) device pixels wide from device point `a` to `b` with flat
/// caps, within the target's clip. Returns false when it must be left to QPainter: mostly a
/// slanted line that reaches out of the picture.
bool fillWideLine(const RasterTarget& t, QPointF a, QPointF b, int width, quint32 color);

} // namespace ktqt
