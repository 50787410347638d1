// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// How the view paints graphic widgets and pictures, shared by the window and its frames: pixel
// geometry from twips, cached pixmaps per picture and device scale, and the drawing of labels,
// lines and shapes.

#include "toolkit/widgets.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <array>
#include <string>

namespace ktqt {

constexpr double twips = kt::twipsPerPixel;

/// What one graphic widget looked like when last painted; a difference means a repaint.
struct Look {
    QRect rect; ///< device-independent pixels covered, empty when not shown
    const void* picture = nullptr;
    std::string caption;
    /// A line's ends, in twips as the painter takes them: its pixels move with a change far
    /// smaller than a pixel of its rectangle, and the rectangle misses a line flipped within it.
    std::array<float, 4> ends{};
    kt::Color color1, color2;
    int style = 0;
    bool operator==(const Look&) const = default;
};

/// A look drawn once into an image and copied until what it depends on changes.
struct Drawn {
    std::string key;
    QImage image;
    bool kept = false; ///< the image shows `key`; else that look went straight to the window
};

/// The font the view uses for a design font (Arial and MS Sans Serif become Liberation Sans).
QFont qtFont(const kt::Font& f);

QColor qc(kt::Color c);
int px(float t);
QRect pxRect(float l, float t, float w, float h);
/// Whole device pixels per logical pixel of the painter's target (1 on a plain screen, 2 on a
/// doubled HiDPI one), or 0 when its transform is anything else: a fractional scale, a rotation.
int wholeScale(const QPainter& p);
bool opaque(const QImage& img);
/// Pixmaps made once per picture and device scale. Premultiplied pixels blit fastest; a picture
/// without transparency (a background photograph) becomes plain RGB so that it is copied rather
/// than blended; at a whole device scale every art pixel is enlarged once, nearest-neighbour, to
/// an s x s block, so that drawing it is a 1:1 copy that stays crisp.
QPixmap pixmapOf(const kt::Picture& pic, int scale = 1);
/// A picture prepared for one device scale, as `pixmapOf` makes it, with the same pixels as an
/// image and what its transparency allows.
struct Sprite {
    QPixmap pixmap;
    QImage image; ///< shares the pixmap's pixels
    int scale = 1;
    /// Every pixel either opaque or fully transparent (GIF art): drawing it is a choice per
    /// pixel, not a blend.
    bool binary = false;
};
const Sprite& spriteOf(const kt::Picture& pic, int scale = 1);
/// Draws the device pixels `source` of a sprite whose transparency is binary with its top-left
/// corner at the logical point `at`, straight into the raster image under the painter, whose
/// transform must be the sprite's own whole scale and a translation. Each call through QPainter
/// costs more in its set-up than a small sprite's pixels do. Returns false when the painter must
/// draw it instead.
bool rasterSprite(QPainter& p, const Sprite& sprite, QPoint at, const QRect& source);
Qt::PenStyle penStyle(int borderStyle);
/// The pixels an image widget draws: its picture from the top-left corner, clipped by the
/// widget's size, a partly covered pixel drawn whole. Painting and repainting both use it, so a
/// moving image leaves nothing behind.
QRect imageRect(const kt::Image& im);
/// The pixels a graphic widget covers when shown (empty for none): what a paint culls with.
QRect rectOf(const kt::Widget& w);
Look lookOf(const kt::Widget& w);
/// The raster image under the painter when its pixels may be written directly: a 32-bit image
/// the painter alone holds, with no clipping, opacity or composition mode to honour; else null.
QImage* rasterTarget(QPainter& p);
/// Copies the rectangle `r` of an opaque RGB32 picture to the same place under a painter whose
/// transform is a whole `scale` (2 or more) and a translation, every pixel enlarged to a block,
/// straight into the raster image beneath. Reading the picture at its own size and writing each
/// row once costs far less than blitting a pre-enlarged copy, a quarter of whose bytes would have
/// to come from memory. Returns false when the painter must draw it instead.
bool rasterEnlarge(QPainter& p, const QImage& src, const QRect& r, int scale);
/// Draws a solid line straight into the raster image under the painter, when there is one and
/// nothing but a whole scale and a translation lies between: QPainter rasterizes a thin diagonal
/// line pixel by pixel through its span machinery, several times slower than these stores, and
/// strokes a wide one as a polygon. Returns false when the painter must draw it instead.
bool rasterLine(QPainter& p, const kt::Line& ln, int scale);
void drawLabel(QPainter& p, const kt::Label& lb, const QRect& r);
/// Whether a label with an ellipsis shows its caption shortened in the rectangle `r`.
bool elided(const kt::Label& lb, const QRect& r);
void drawShape(QPainter& p, const kt::Shape& sh, const QRect& r);

/// Everything a label's or shape's pixels depend on, as one comparable string.
template <class... T> std::string keyOf(const T&... parts) {
    std::string k;
    ((k.append(reinterpret_cast<const char*>(&parts), sizeof parts)), ...);
    return k;
}

/// Draws `draw` (in coordinates of `area`) through an image kept in `cache`, redrawn only when
/// `key` changes. An opaque look is kept without alpha, so that showing it is a plain copy. A
/// redraw at the same size reuses the image and the paint engine it keeps: the money label is
/// redrawn ten times a second, and making both afresh cost as much as the drawing.
template <class Draw>
void throughImage(QPainter& p, Drawn& cache, std::string key, const QRect& area, int scale,
                  bool isOpaque, Draw draw) {
    if (cache.key != key || !cache.kept || cache.image.isNull()) {
        cache.key = std::move(key);
        cache.kept = true;
        const QImage::Format format =
            isOpaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
        QImage& img = cache.image;
        if (img.size() != area.size() * scale || img.format() != format ||
            img.devicePixelRatio() != scale) {
            img = QImage(area.size() * scale, format);
            img.setDevicePixelRatio(scale);
        }
        img.fill(Qt::transparent);
        QPainter q(&img);
        q.translate(-area.topLeft());
        draw(q);
    }
    p.drawImage(area.topLeft(), cache.image);
}

} // namespace ktqt
