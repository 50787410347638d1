// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "pictures.h"

#include <algorithm>

namespace ktqt {

bool opaque(const QImage& img) {
    if (!img.hasAlphaChannel()) return true;
    if (img.format() != QImage::Format_ARGB32_Premultiplied) return false;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) != 255) return false;
    }
    return true;
}

QPixmap Sprites::of(const kt::Picture& pic, int scale) {
    const QImage* img = pic.image();
    const int s = std::clamp(scale, 1, 8);
    if (auto it = made_.find(img->cacheKey());
        it != made_.end() && !it->second[size_t(s - 1)].isNull())
        return it->second[size_t(s - 1)];
    // Backgrounds come and go as the player picks them; start afresh rather than grow for ever.
    if (bytes_ > (qint64(96) << 20)) made_.clear(), bytes_ = 0;
    QImage src = opaque(*img) ? img->convertToFormat(QImage::Format_RGB32) : *img;
    if (s > 1) src = src.scaled(src.size() * s, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    bytes_ += src.sizeInBytes();
    QPixmap made = QPixmap::fromImage(std::move(src));
    made.setDevicePixelRatio(s);
    return made_[img->cacheKey()][size_t(s - 1)] = made;
}

} // namespace ktqt
