// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The model's pictures as Qt draws them, prepared once per picture and device scale.

#include "toolkit/picture.h"

#include <QImage>
#include <QPixmap>
#include <array>
#include <unordered_map>

namespace ktqt {

/// Whether every pixel of an image is opaque.
bool opaque(const QImage& img);

/// Every picture prepared for each device scale it is drawn at, made on first use and kept as long
/// as the cache. A picture without transparency (a background photograph) becomes plain RGB, so
/// that it is copied rather than blended; at a whole device scale every art pixel is enlarged
/// once, nearest-neighbour, to an s x s block, so that drawing it is a 1:1 copy that stays crisp.
class Sprites {
public:
    /// `pic` prepared for `scale` (clamped to 1..8).
    QPixmap of(const kt::Picture& pic, int scale = 1);

private:
    /// By the picture's image.
    std::unordered_map<qint64, std::array<QPixmap, 8>> made_;
    qint64 bytes_ = 0;
};

} // namespace ktqt
