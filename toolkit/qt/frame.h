// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A frame of a form: a panel that paints its caption, border and graphic children and hosts its
// windowed children. Presses on its free area and its graphic children go through the model's
// routing, as on the window itself.

#include "painter.h"

#include "toolkit/widgets.h"

#include <QWidget>

namespace ktqt {

class FormView;

class FrameView : public QWidget {
public:
    FrameView(FormView& owner, kt::Frame& frame, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void drawPanel(QPainter& p);
    QPoint formPixel(QMouseEvent* e) const;
    FormView& owner_;
    kt::Frame& frame_;
    Drawn<PanelLook> panel_;
};

} // namespace ktqt
