// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frame.h"

#include "geometry.h"
#include "text.h"
#include "view.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>

namespace ktqt {

FrameView::FrameView(FormView& owner, kt::Frame& frame, QWidget* parent)
    : QWidget(parent)
    , owner_(owner)
    , frame_(frame) {
    setAutoFillBackground(false);
}

void FrameView::paintEvent(QPaintEvent* e) {
    if (!owner_.alive()) return;
    QPainter p(this);
    const int scale = wholeScale(p);
    if (scale == 0) {
        drawPanel(p);
    } else {
        // The panel itself changes only with its size or caption: drawn once, then copied.
        throughImage(p, panel_, PanelLook{size(), scale, frame_.font, frame_.Caption}, rect(),
                     scale, true, [this](QPainter& q) { drawPanel(q); });
    }
    owner_.painter_.paintLayer(p, frame_, e->region(), scale, owner_.looks_);
    ++owner_.paints_;
}

void FrameView::mousePressEvent(QMouseEvent* e) {
    owner_.press(e, formPixel(e));
}

void FrameView::mouseReleaseEvent(QMouseEvent* e) {
    owner_.release(e, formPixel(e));
}

void FrameView::drawPanel(QPainter& p) {
    p.fillRect(rect(), qc(kt::colors::buttonFace));
    const QFont& f = owner_.caches_.fonts.font(frame_.font);
    const QFontMetrics metrics(f);
    const int th = metrics.height();
    const QRect box = rect().adjusted(0, frame_.Caption.empty() ? 0 : th / 2, -1, -1);
    p.setPen(QColor(160, 160, 160));
    p.drawRect(box);
    p.setPen(Qt::white);
    p.drawRect(box.adjusted(1, 1, 1, 1));
    if (!frame_.Caption.empty()) {
        p.setFont(f);
        const QString cap = QString::fromStdString(frame_.Caption);
        const QRect cr(8, 0, metrics.horizontalAdvance(cap) + 4, th);
        p.fillRect(cr, qc(kt::colors::buttonFace));
        p.setPen(Qt::black);
        p.drawText(cr, Qt::AlignCenter, cap);
    }
}

QPoint FrameView::formPixel(QMouseEvent* e) const {
    return mapTo(&owner_, e->position().toPoint());
}

} // namespace ktqt
