// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// How a window paints what it shows: its backdrop (colour and picture) and its graphic widgets,
// each by its kind, the labels and shapes through images drawn once per look.

#include "caches.h"
#include "repaint.h"

#include "toolkit/form.h"

#include <QImage>
#include <QPainter>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ktqt {

/// What the pixels of a label, a shape or a frame's panel depend on, at a size and scale.
struct LabelLook {
    QSize size;
    int scale = 0;
    kt::Color back, fore;
    bool opaque = false, wrap = false;
    int border = 0;
    kt::Align alignment = kt::Align::Left;
    kt::Font font;
    std::string caption;
    bool operator==(const LabelLook&) const = default;
};
struct ShapeLook {
    QSize size;
    int scale = 0;
    kt::Color border, fill;
    bool filled = false;
    int width = 0, shape = 0;
    bool operator==(const ShapeLook&) const = default;
};
struct PanelLook {
    QSize size;
    int scale = 0;
    kt::Font font;
    std::string caption;
    bool operator==(const PanelLook&) const = default;
};

/// What QPainter's pixels for a line depend on, besides where the window's origin lies.
struct LineLook {
    QLineF ends; ///< pixels
    int width = 0, style = 0;
    qreal scale = 0; ///< see uniformScale
    QRect device;    ///< see linePixels
    bool operator==(const LineLook&) const = default;
};
struct DrawnLine {
    std::optional<LineLook> look;
    std::optional<std::vector<QRect>> runs; ///< see linePixels
    bool kept = false;
};

/// A look drawn once into an image and copied until what it depends on changes.
template <class Look> struct Drawn {
    std::optional<Look> look;
    QImage image;
    bool kept = false; ///< the image shows `look`; else that look went straight to the window
};

/// Draws `draw` (in coordinates of `area`) through an image kept in `cache`, redrawn only when
/// `look` changes. An opaque look is kept without alpha, so that showing it is a plain copy. A
/// redraw at the same size reuses the image and the paint engine it keeps: the money label is
/// redrawn ten times a second, and making both afresh cost as much as the drawing.
template <class Look, class Draw>
void throughImage(QPainter& p, Drawn<Look>& cache, Look look, const QRect& area, int scale,
                  bool isOpaque, Draw draw) {
    if (cache.look != look || !cache.kept || cache.image.isNull()) {
        cache.look = std::move(look);
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

Qt::PenStyle penStyle(int borderStyle);

/// Paints one window's graphic widgets, keeping the images its labels and shapes are drawn
/// through for as long as the window lives.
class GraphicPainter {
public:
    explicit GraphicPainter(Caches& caches)
        : caches_(caches) {}
    /// Paints `region` of a form: where an opaque label covers it whole (the money label's own
    /// repaint), from that label up; else the backdrop, then every graphic widget that meets it.
    void paintForm(QPainter& p, const kt::Form& form, const QRegion& region,
                   const RepaintTracker& looks);
    /// Draws the graphic widgets of one container (the window or a frame) that meet `region`, at
    /// `scale` whole device pixels per pixel (0: a fractional scale, drawn without caches). The
    /// widgets before `from` in z-order are left out, when an opaque one hides them.
    void paintLayer(QPainter& p, const kt::Layers& layers, const QRegion& region, int scale,
                    const RepaintTracker& looks, size_t from = 0);
    void paint(QPainter& p, const kt::Widget& w, int scale);

private:
    void paintImage(QPainter& p, const kt::Image& im, int scale);
    void paintLabel(QPainter& p, const kt::Label& lb, int scale);
    void paintLine(QPainter& p, const kt::Line& ln);
    void paintShape(QPainter& p, const kt::Shape& sh, int scale);
    Caches& caches_;
    // Labels, shapes and lines, as last drawn.
    std::unordered_map<const kt::Label*, Drawn<LabelLook>> labels_;
    std::unordered_map<const kt::Shape*, Drawn<ShapeLook>> shapes_;
    std::unordered_map<const kt::Line*, DrawnLine> lines_;
};

} // namespace ktqt
