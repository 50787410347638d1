// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The windowed widgets of a form (frames, buttons, the text box, the browser's lists) as native Qt
// widgets: one record each, holding the native widget and what it last showed, so that a sync
// sets only what the model changed.

#include "toolkit/widgets.h"

#include <QPointer>
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kt {
class Program;
}

namespace ktqt {

class FormView;

class NativeWidgets {
public:
    NativeWidgets(kt::Program& app, FormView& owner);

    /// The native widget showing `w` inside `parent`, made on first use; null for a kind that
    /// has none. The owner watches its events.
    QWidget* nativeFor(kt::Widget& w, QWidget* parent);
    /// Brings a native widget up to date with its model widget: place, state, caption or text,
    /// rows, visibility.
    void sync(kt::Widget& w, QWidget* q);
    /// The model widget a native widget shows, if any.
    kt::Widget* modelOf(const QObject* native) const;
    void clear() { records_.clear(); }

private:
    /// One windowed widget's native widget and what it last showed.
    struct Record {
        QPointer<QWidget> widget;
        std::optional<std::vector<std::string>> rows; ///< a list's rows
        std::optional<std::vector<int>> depths;       ///< a folder list's depths
        std::optional<int> chosen;                    ///< a list's chosen row
        std::optional<kt::Color> base;                ///< a text box's colour
        std::optional<std::string> text;              ///< what a text box shows
    };
    kt::Program& app_;
    FormView& owner_;
    std::map<kt::Widget*, Record> records_;
};

} // namespace ktqt
