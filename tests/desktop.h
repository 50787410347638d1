// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A desktop of the test's own: an X server (Xvfb) with a window manager (Openbox), and real X
// input (xdotool, through the XTest extension), so that a test reaches the game the way a
// player's mouse and keyboard do, through the X server, the window manager and Qt.

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QProcess;
class QWidget;

namespace kt {
struct Widget;
}

namespace kolvar {

/// The middle of a designed widget in its window, pixels.
QPoint middle(const kt::Widget& w);

class Desktop {
public:
    /// Starts the server and the window manager on a free display and points DISPLAY at it.
    /// On failure `error()` says why (a missing program, most likely).
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Starts a bare X server of the desktop's size on a free display, without a window manager,
    /// and names the display; null when none could start.
    static QProcess* startServer(QString& display);

    QString error() const { return error_; }
    QString display() const { return display_; }
    static constexpr int width = 1280, height = 1024;

    /// Runs xdotool with `args` (commands may be chained, as xdotool allows) and lets Qt handle
    /// what the server sent back; false when xdotool failed.
    bool xdotool(const QStringList& args);
    /// Moves the pointer to `at` in `w` (a widget of a shown window) and presses and releases
    /// `button` (1 left, 2 middle, 3 right as X numbers them) `times` times, `gapMs` apart,
    /// while holding `modifiers` ("shift", "ctrl+shift"; empty for none).
    bool click(QWidget* w, QPoint at, int button = 1, const QString& modifiers = {}, int times = 1,
               int gapMs = 80);
    /// The same at `at` in the client area of the top-level X window `window`, which may be
    /// another program's.
    bool click(unsigned long window, QPoint at, int button = 1, const QString& modifiers = {},
               int times = 1, int gapMs = 80);
    /// Moves the pointer over `at` in `w` without pressing.
    bool hover(QWidget* w, QPoint at);
    /// Presses and releases each of `keys` in turn, as xdotool names them ("g", "shift+g",
    /// "Return", "Tab", "shift+Tab", "Right"), in the focused window.
    bool keys(const QStringList& keys);

    /// The client area of a top-level window as the X server has it, in root coordinates.
    QRect clientArea(QWidget* window);
    QRect clientArea(unsigned long window);
    /// The window manager's frame of a top-level window, in root coordinates.
    QRect frame(QWidget* window);
    /// Top-level client windows bottom to top, as the window manager stacks them.
    std::vector<unsigned long> stacking();

    /// Runs `program` with `args` (xdotool, xprop, xwininfo) and returns its standard output;
    /// `ok` tells whether it ended with status 0.
    QString run(const QString& program, const QStringList& args, bool* ok = nullptr);

private:
    QProcess* server_ = nullptr;
    QProcess* manager_ = nullptr;
    QString display_;
    QString error_;
};

/// The main() of a desktop test: starts a desktop, points Qt's xcb platform at it at scale 1,
/// creates the application and returns what `run` does there; 77 (skipped) when the desktop
/// cannot start.
int onDesktop(int argc, char** argv, const std::function<int(Desktop&)>& run);

} // namespace kolvar
