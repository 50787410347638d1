// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The browser's folder and file lists as native list widgets. A row is chosen only by what a
// player means as a choice: a press on it, a keyboard move onto it or Enter on it (files), a
// double click or Enter (folders). The keyboard focus alone, which Qt answers by making the first
// row current, chooses nothing.

#include <QListWidget>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ktqt {

/// Indents a row by its depth without blanks in its text, so that typing a name finds it, and
/// shortens a row too long for the list with "…", its whole text in a tooltip, where a horizontal
/// scroll bar would take a row's height.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int indent = 12; ///< pixels per level of depth
    bool helpEvent(QHelpEvent* e, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class RowList : public QListWidget {
public:
    enum class Choose {
        Open, ///< a double click or Enter opens a row (folders); a press only shows it
        Pick, ///< every press, a keyboard move onto a row, and Enter choose it (files)
    };
    RowList(Choose mode, QWidget* parent);

    /// Runs when the player chooses a row.
    std::function<void(int row)> chosen;

    /// Shows the rows (runs no `chosen`), none of them current.
    void setRows(const std::vector<std::string>& text, const std::vector<int>& depth);
    /// Makes `row` the current one (runs no `chosen`); in a list of folders, it and the rows above
    /// it are drawn as open folders.
    void setChosen(int row);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;

private:
    Choose mode_;
    std::optional<QPointF> pressedAt_; ///< where the left button went down, in the viewport
};

} // namespace ktqt
