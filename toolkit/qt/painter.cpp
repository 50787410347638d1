// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "painter.h"

#include "geometry.h"
#include "lines.h"
#include "pictures.h"
#include "text.h"

#include <QPaintEngine>
#include <algorithm>

namespace ktqt {

namespace {

void drawShape(QPainter& p, const kt::Shape& sh, const QRect& r) {
    p.setPen(QPen(qc(sh.BorderColor), sh.BorderWidth));
    p.setBrush(sh.filled ? QBrush(qc(sh.FillColor)) : QBrush(Qt::NoBrush));
    if (sh.shape == kt::Shape::Oval)
        p.drawEllipse(r);
    else
        p.drawRect(r);
}

} // namespace

Qt::PenStyle penStyle(int borderStyle) {
    switch (borderStyle) {
    case 0:
        return Qt::NoPen;
    case 2:
        return Qt::DashLine;
    case 3:
        return Qt::DotLine;
    case 4:
        return Qt::DashDotLine;
    case 5:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

void GraphicPainter::paint(QPainter& p, const kt::Widget& w, int scale) {
    kt::visit(w, kt::overloaded{[&](const kt::Image& im) { paintImage(p, im, scale); },
                                [&](const kt::Label& lb) { paintLabel(p, lb, scale); },
                                [&](const kt::Line& ln) { paintLine(p, ln); },
                                [&](const kt::Shape& sh) { paintShape(p, sh, scale); },
                                // Windowed widgets draw themselves; timers are never seen.
                                [](const kt::Frame&) {}, [](const kt::CommandButton&) {},
                                [](const kt::TextBox&) {}, [](const kt::ListBase&) {},
                                [](const kt::Timer&) {}});
}

void GraphicPainter::paintImage(QPainter& p, const kt::Image& im, int scale) {
    const QRect r = imageRect(im);
    if (r.isEmpty()) return;
    const int s = std::max(scale, 1);
    const QPixmap& sprite = caches_.sprites.of(im.picture, s);
    const QRect source(QPoint(0, 0), r.size() * s);
    // At a fractional scale Qt enlarges a picture by one rule within a rectangular clip and by
    // another within a clip of many rectangles, which inks one more row or column of it. A
    // repaint's region is often many rectangles: the picture is drawn once per rectangle of it.
    const QPaintEngine* engine = p.paintEngine();
    if (scale == 0 && engine && engine->systemClip().rectCount() > 1) {
        const QTransform toDevice = p.deviceTransform();
        const QRect on = toDevice.mapRect(QRectF(r)).toAlignedRect();
        for (const QRect& piece : engine->systemClip() & on) {
            p.save();
            p.setClipRect(toDevice.inverted().mapRect(QRectF(piece)), Qt::IntersectClip);
            p.drawPixmap(r.topLeft(), sprite, source);
            p.restore();
        }
        return;
    }
    p.drawPixmap(r.topLeft(), sprite, source);
}

void GraphicPainter::paintLabel(QPainter& p, const kt::Label& lb, int scale) {
    const QRect r = pxRect(lb.Left, lb.Top, lb.Width, lb.Height);
    if (r.isEmpty()) return;
    if (scale == 0) {
        // At a fractional scale a glyph's edge may fall on a device pixel that a repaint of the
        // label leaves out, as Qt rounds the label's rectangle to device pixels: the caption is
        // cut at that rectangle, as the copies of a whole scale cut it.
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        caches_.fonts.drawLabel(p, lb, r);
        p.restore();
        return;
    }
    // Laying out text costs far more than copying it: the caption is drawn once per change.
    LabelLook look{r.size(),    scale,          lb.BackColor, lb.ForeColor, lb.opaque,
                   lb.wordWrap, lb.BorderStyle, lb.Alignment, lb.font,      lb.Caption};
    Drawn<LabelLook>& cache = labels_[&lb];
    if (lb.opaque && cache.look != look) {
        // A caption that changes from one paint to the next (the money, ten times a second)
        // goes straight to the window: an opaque label fills its rectangle, so the pixels
        // are those a copy would give. It is kept once it stands for a second paint.
        cache.look = std::move(look);
        cache.kept = false;
        return caches_.fonts.drawLabel(p, lb, r);
    }
    throughImage(p, cache, std::move(look), r, scale, lb.opaque,
                 [&](QPainter& q) { caches_.fonts.drawLabel(q, lb, r); });
}

void GraphicPainter::paintLine(QPainter& p, const kt::Line& ln) {
    QPen pen(qc(ln.BorderColor), std::max(1, ln.BorderWidth), penStyle(ln.BorderStyle));
    pen.setCapStyle(Qt::FlatCap);
    const QLineF ends = pxLine(ln);
    // QPainter steps a long slanted line through a span per pixel: fifty shots across the field
    // cost a whole frame twice over. The pixels it gives a line are kept as runs and stored
    // again while the line stays as it is. A line is drawn once as it appears (a shot lasts a
    // turn), so it is kept only when it stands for a second paint; but a line that leaves the
    // window is kept from its first, as QPainter would cut it at the edges of a repaint's clip.
    // The same holds at a fractional scale (a desktop at 150 %): drawn straight there, a line
    // that a sprite's repaint crossed came out a pixel off where the whole paint puts it.
    if (const qreal scale = uniformScale(p); scale != 0) {
        DrawnLine& drawn = lines_[&ln];
        LineLook look{ends, pen.width(), ln.BorderStyle, scale, deviceFromOrigin(p)};
        const bool again = drawn.look == look;
        if (!again) drawn = {look, {}, false};
        if (!drawn.kept && (again || leavesDevice(pen, ends, scale, look.device)))
            drawn.runs = linePixels(pen, ends, scale, look.device), drawn.kept = true;
        if (drawn.kept && drawn.runs && storeRuns(p, *drawn.runs, scale, pen.color().rgb())) return;
    }
    p.setPen(pen);
    p.drawLine(ends);
}

void GraphicPainter::paintShape(QPainter& p, const kt::Shape& sh, int scale) {
    const QRect r = pxRect(sh.Left, sh.Top, sh.Width, sh.Height).adjusted(0, 0, -1, -1);
    if (scale == 0) return drawShape(p, sh, r);
    // The selection oval follows every step of the selected unit: one copy, not an ellipse.
    const QRect area = r.adjusted(-1, -1, 2, 2);
    throughImage(p, shapes_[&sh],
                 ShapeLook{r.size(), scale, sh.BorderColor, sh.FillColor, sh.filled, sh.BorderWidth,
                           sh.shape},
                 area, scale, false, [&](QPainter& q) { drawShape(q, sh, r); });
}

void GraphicPainter::paintLayer(QPainter& p, const kt::Layers& layers, const QRegion& region,
                                int scale, const RepaintTracker& looks, size_t from) {
    const QRect bounds = region.boundingRect();
    const bool simple = region.rectCount() <= 1;
    const auto meets = [&](const QRect& r) {
        return !r.isEmpty() && r.intersects(bounds) && (simple || region.intersects(r));
    };
    // The battlefield holds hundreds of graphic widgets, and a repaint of the money label meets
    // three of them. The last sync left every one's rectangle in a flat array: culling through it
    // touches a few kilobytes, not each widget object in turn.
    if (const RepaintTracker::LayerLooks* last = looks.synced(layers)) {
        for (size_t i = from; i < last->looks.size(); ++i)
            if (meets(last->looks[i].rect)) paint(p, *layers.graphic[i], scale);
        return;
    }
    // Until a sync has seen this container's widgets as they are now, each widget is asked.
    for (size_t i = from; i < layers.graphic.size(); ++i)
        if (const kt::Widget* w = layers.graphic[i]; w->Visible && meets(rectOf(*w)))
            paint(p, *w, scale);
}

void GraphicPainter::paintForm(QPainter& p, const kt::Form& form, const QRegion& region,
                               const RepaintTracker& looks) {
    const int scale = wholeScale(p);
    // What an opaque label covers whole, the money label's own repaint ten times a second, is
    // painted from that label up: the background and the sprites beneath it would not show.
    if (const auto cover = scale ? looks.coveredBy(form, region.boundingRect()) : std::nullopt)
        return paintLayer(p, form, region, scale, looks, *cover);
    // Each pixel once: the colour where the picture does not reach, the picture where it does,
    // and only inside the region that changed.
    const kt::Picture& pic = form.picture;
    const QRect covered = pic.empty() ? QRect() : QRect(0, 0, pic.width(), pic.height());
    for (const QRect& r : covered.isEmpty() ? region : region.subtracted(covered))
        p.fillRect(r, qc(form.BackColor));
    if (!covered.isEmpty()) {
        const int s = std::max(scale, 1);
        const QPixmap pm = caches_.sprites.of(pic, s);
        for (const QRect& r : region.intersected(covered))
            p.drawPixmap(r.topLeft(), pm, QRect(r.topLeft() * s, r.size() * s));
    }
    paintLayer(p, form, region, scale, looks);
}

} // namespace ktqt
