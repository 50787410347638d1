// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "button.h"

#include "geometry.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ktqt {

void Button::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    QPainter p(this);
    const int scale = wholeScale(p);
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
        QImage img(size() * scale, QImage::Format_ARGB32_Premultiplied);
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
