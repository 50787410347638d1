// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "lines.h"

#include "geometry.h"

#include <QPaintEngine>
#include <algorithm>
#include <cstring>

namespace ktqt {

namespace {

/// The device pixels a line may touch, with room to spare.
QRect lineBox(const QPen& pen, const QLineF& ends, qreal scale) {
    const qreal margin = pen.widthF() * scale + 2;
    return QRectF(ends.p1() * scale, ends.p2() * scale)
        .normalized()
        .adjusted(-margin, -margin, margin, margin)
        .toAlignedRect();
}

} // namespace

bool leavesDevice(const QPen& pen, const QLineF& ends, qreal scale, const QRect& device) {
    return !device.contains(lineBox(pen, ends, scale));
}

std::optional<std::vector<QRect>> linePixels(const QPen& pen, const QLineF& ends, qreal scale,
                                             const QRect& device) {
    // QPainter cuts a line at its device's edges before it steps along it, and where it cuts
    // moves the pixels of the rest: a line that leaves the device is drawn on one as large.
    const QRect box = leavesDevice(pen, ends, scale, device) ? device : lineBox(pen, ends, scale);
    // A window drawn at three times its size or more is left to QPainter alone.
    if (qint64(box.width()) * box.height() > (qint64(1) << 22)) return std::nullopt;
    QImage img(box.size(), QImage::Format_Alpha8);
    img.fill(0);
    {
        QPainter q(&img);
        q.setTransform(QTransform(scale, 0, 0, scale, -box.x(), -box.y()));
        q.setPen(pen);
        q.drawLine(ends);
    }
    std::vector<QRect> runs;
    const int width = img.width();
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < width;) {
            // Most of the box is empty: eight bytes at a time up to the line.
            if (quint64 word = 0; x + 8 <= width && (std::memcpy(&word, row + x, 8), word == 0)) {
                x += 8;
            } else if (row[x] == 0) {
                ++x;
            } else {
                const int from = x;
                while (x < width && row[x] != 0) ++x;
                runs.emplace_back(box.x() + from, box.y() + y, x - from, 1);
            }
        }
    }
    return runs;
}

QRect deviceFromOrigin(const QPainter& p) {
    const QPaintEngine* engine = p.paintEngine();
    const QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device) return {};
    const QTransform m = p.deviceTransform();
    return QRect(-int(m.dx()), -int(m.dy()), device->width(), device->height());
}

bool storeRuns(QPainter& p, const std::vector<QRect>& runs, qreal scale, QRgb color) {
    QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || p.hasClipping() ||
        p.opacity() != 1.0 || p.compositionMode() != QPainter::CompositionMode_SourceOver ||
        uniformScale(p) != scale)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return false;
    auto* img = static_cast<QImage*>(device);
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        !img->isDetached())
        return false;
    const QTransform m = p.deviceTransform();
    const QPoint origin(int(m.dx()), int(m.dy()));
    QRegion clip = engine->systemClip();
    if (clip.isEmpty()) clip = img->rect();
    uchar* bits = img->bits();
    const qsizetype stride = img->bytesPerLine();
    for (const QRect& c : clip) {
        const QRect bounds = c & img->rect();
        if (bounds.isEmpty()) continue;
        // Each run is one row: clipped by hand, as a frame stores tens of thousands of them and
        // QRect's intersection is a call into Qt for each.
        const int left = bounds.left(), right = bounds.right() + 1;
        for (const QRect& run : runs) {
            const int y = run.top() + origin.y();
            if (y < bounds.top() || y > bounds.bottom()) continue;
            const int from = std::max(run.left() + origin.x(), left);
            const int to = std::min(run.left() + origin.x() + run.width(), right);
            if (from < to)
                std::fill_n(reinterpret_cast<QRgb*>(bits + y * stride) + from, to - from, color);
        }
    }
    return true;
}

} // namespace ktqt
