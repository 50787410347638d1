// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "rowlist.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QToolTip>
#include <cmath>

namespace ktqt {

namespace {
constexpr int depthRole = Qt::UserRole;
}

void RowDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->rect.setLeft(option->rect.left() + indent * index.data(depthRole).toInt());
    // Rows are as wide as the list shows, never wider: a long name is elided, not scrolled.
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option->widget))
        option->rect.setRight(std::min(option->rect.right(), view->viewport()->width() - 1));
}

bool RowDelegate::helpEvent(QHelpEvent* e, QAbstractItemView* view,
                            const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (!e || !view || e->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(e, view, option, index);
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QRect text = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &o, view);
    if (o.fontMetrics.horizontalAdvance(o.text) > text.width()) {
        QToolTip::showText(e->globalPos(), o.text, view);
    } else {
        QToolTip::hideText();
        e->ignore();
    }
    return true;
}

RowList::RowList(Choose mode, QWidget* parent)
    : QListWidget(parent)
    , mode_(mode) {
    setItemDelegate(new RowDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setUniformItemSizes(true);
    // Qt sizes every row as its last, by the icon that row shows; the closed folder's icon comes
    // in a larger size than the open one's, so rows grew as soon as the last folder was closed.
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    setIconSize(QSize(icon, icon));
}

bool RowList::event(QEvent* e) {
    // At a fractional scale the viewport, half a device pixel off the frame, is painted out to
    // whole device pixels and covers the frame's bottom line: it then stops a pixel short.
    if (e->type() == QEvent::Polish || e->type() == QEvent::ScreenChangeInternal) {
        const qreal ratio = devicePixelRatioF();
        setViewportMargins(0, 0, 0, ratio == std::floor(ratio) ? 0 : 1);
    }
    const bool done = QListWidget::event(e);
    // The style draws no focus on a list's frame: a keyboard player would not see where Down
    // acts. The list with the focus wears the style's own focus frame, as its text boxes do.
    if (e->type() == QEvent::Paint && hasFocus()) {
        QPainter p(this);
        QStyleOptionFrame o;
        o.initFrom(this);
        o.state |= QStyle::State_HasFocus | QStyle::State_Sunken;
        o.lineWidth = frameWidth();
        style()->drawPrimitive(QStyle::PE_FrameLineEdit, &o, &p, this);
    }
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) update();
    return done;
}

void RowList::setRows(const std::vector<std::string>& text, const std::vector<int>& depth) {
    // All rows in one insertion: an item at a time, a folder of 200 000 files took seconds.
    // Depth only where a row has one, as each sets off a change of its own.
    clear();
    QStringList all;
    all.reserve(qsizetype(text.size()));
    for (const auto& t : text) all << QString::fromStdString(t);
    addItems(all);
    for (size_t i = 0; i < text.size() && i < depth.size(); ++i)
        if (depth[i] != 0) item(int(i))->setData(depthRole, depth[i]);
}

void RowList::setChosen(int row) {
    // The open folder may move while the rows stay the same: one opened inside a folder of its
    // own name, with no subfolder of its own, leaves names and depths as they were.
    if (mode_ == Choose::Open) {
        const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
        const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
        for (int i = 0; i < count(); ++i) item(i)->setIcon(i <= row ? opened : closed);
    }
    setCurrentRow(row);
}

void RowList::mousePressEvent(QMouseEvent* e) {
    // Only the left button on a row chooses; another press must not move what the list shows
    // either, and in a file list what it shows is the choice: no press below the rows clears it,
    // no Ctrl or Shift makes it two rows or none.
    const int row = indexAt(e->position().toPoint()).row();
    if (e->button() != Qt::LeftButton || (mode_ == Choose::Pick && row < 0)) {
        e->accept();
        return;
    }
    QMouseEvent plain(e->type(), e->position(), e->scenePosition(), e->globalPosition(),
                      e->button(), e->buttons(), Qt::NoModifier);
    pressedAt_ = e->position();
    QListWidget::mousePressEvent(&plain);
    if (mode_ == Choose::Pick && chosen) chosen(row);
}

void RowList::mouseReleaseEvent(QMouseEvent* e) {
    // Qt may select on release where the pointer is then: the release counts where it pressed.
    const QPointF at = pressedAt_.value_or(e->position());
    pressedAt_.reset();
    QMouseEvent there(e->type(), at, mapToGlobal(at), e->button(), e->buttons(), Qt::NoModifier);
    QListWidget::mouseReleaseEvent(&there);
}

void RowList::mouseMoveEvent(QMouseEvent* e) {
    // Dragging would carry the highlight to another row than the one pressed.
    if (e->buttons() != Qt::NoButton) {
        e->accept();
        return;
    }
    QListWidget::mouseMoveEvent(e);
}

void RowList::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->accept();
        return;
    }
    const int row = indexAt(e->position().toPoint()).row();
    // Qt delivers the second press of a double click as this event alone: it is a press too.
    if (mode_ == Choose::Pick) return mousePressEvent(e);
    if (row >= 0 && chosen) chosen(row);
}

void RowList::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (currentRow() >= 0 && chosen) chosen(currentRow());
        e->accept();
        return;
    }
    // Space (with Ctrl) would take the highlight off the chosen file without choosing another.
    if (mode_ == Choose::Pick && e->key() == Qt::Key_Space) {
        e->accept();
        return;
    }
    const int before = currentRow();
    const bool wasLit = currentItem() && currentItem()->isSelected();
    QListWidget::keyPressEvent(e);
    // A typed name whose search lands on the row already current only lights it: a choice too.
    const bool lit = !wasLit && currentItem() && currentItem()->isSelected();
    if (mode_ == Choose::Pick && currentRow() >= 0 && chosen && (currentRow() != before || lit))
        chosen(currentRow());
}

} // namespace ktqt
