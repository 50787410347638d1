// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The command buttons of a form as native push buttons that paint from a cache.

#include <QPixmap>
#include <QPushButton>

namespace ktqt {

/// A push button that has the style draw its look once per state (pressed, focused, hovered, its
/// text and icon, the scale) and then only copies it: the style's bevel, text and icon cost many
/// times the copy, and the open training panel holds eight of them.
class Button : public QPushButton {
public:
    explicit Button(QWidget* parent)
        : QPushButton(parent) {}
    bool hasPicture = false; ///< its icon is set (once: a designed picture never changes)

protected:
    void paintEvent(QPaintEvent*) override;

private:
    struct Key {
        int state = 0, features = 0;
        QString text;
        qint64 icon = 0;
        QSize iconSize, size;
        qreal scale = 0;
        qint64 palette = 0;
        QFont font;
        bool operator==(const Key&) const = default;
    } key_;
    QPixmap look_;
};

} // namespace ktqt
