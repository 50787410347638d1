// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <cmath>

namespace ktqt {

void Button::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    QPainter p(this);
    // At any scale, a fractional one too: at 175 % the style smooths the picture down from its
    // doubled copy, and Qt's smoothing gives a repaint of part of a button other colours than a
    // paint of the whole. Copied at a device pixel between two, the look is only moved.
    const QTransform t = p.deviceTransform();
    const qreal scale =
        t.type() <= QTransform::TxScale && t.m11() == t.m22() && t.m11() >= 1 ? t.m11() : 0;
    if (scale == 0) {
        p.end();
        QStylePainter(this).drawControl(QStyle::CE_PushButton, option);
        return;
    }
    Key key{int(option.state),
            int(option.features),
            option.text,
            option.icon.cacheKey(),
            option.iconSize,
            size(),
            scale,
            palette().cacheKey(),
            font()};
    if (!(key == key_) || look_.isNull()) {
        key_ = std::move(key);
        QImage img(int(std::ceil(width() * scale)), int(std::ceil(height() * scale)),
                   QImage::Format_ARGB32_Premultiplied);
        img.setDevicePixelRatio(scale);
        img.fill(Qt::transparent);
        {
            QStylePainter sp(&img, this);
            sp.drawControl(QStyle::CE_PushButton, option);
        }
        look_ = QPixmap::fromImage(std::move(img));
    }
    p.drawPixmap(0, 0, look_);
}

} // namespace ktqt
