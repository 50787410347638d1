// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The model's pictures as Qt draws them, prepared once per picture and device scale.

#include "toolkit/picture.h"

#include <QImage>
#include <QPixmap>
#include <array>
#include <memory>
#include <unordered_map>

namespace ktqt {

/// Whether every pixel of an image is opaque.
bool opaque(const QImage& img);

/// A picture prepared for one device scale. Premultiplied pixels blit fastest; a picture without
/// transparency (a background photograph) becomes plain RGB so that it is copied rather than
/// blended; at a whole device scale every art pixel is enlarged once, nearest-neighbour, to an
/// s x s block, so that drawing it is a 1:1 copy that stays crisp.
struct Sprite {
    QPixmap pixmap;
    QImage image; ///< shares the pixmap's pixels
    int scale = 1;
    /// Every pixel either opaque or fully transparent (GIF art): drawing it is a choice per
    /// pixel, not a blend.
    bool binary = false;
};

/// Every picture's sprites, made on first use per device scale and kept as long as the cache.
class Sprites {
public:
    /// `pic` prepared for `scale` (clamped to 1..8). The reference stays valid until the cache
    /// starts afresh, which only a later call can do.
    const Sprite& of(const kt::Picture& pic, int scale = 1);
    QPixmap pixmap(const kt::Picture& pic, int scale = 1) { return of(pic, scale).pixmap; }

private:
    /// By the picture's image; node-based, so a sprite stays where it is while others are added.
    std::unordered_map<qint64, std::array<std::unique_ptr<Sprite>, 8>> made_;
    qint64 bytes_ = 0;
};

} // namespace ktqt
