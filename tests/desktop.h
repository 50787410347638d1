// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A desktop of the test's own: an X server (Xvfb, of the screen KOLVAR_SCREEN names if any,
// "640x480x24") with a window manager (Openbox, or the one KOLVAR_WM names), and real X input
// (xdotool, through the XTest extension), so that a test reaches the game the way a player's mouse
// and keyboard do, through the X server, the window manager and Qt. Sway does the same on Wayland.

#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QProcess;
class QWidget;

namespace kt {
struct Widget;
}
namespace ktqt {
class FormView;
}

namespace kolvar {

class Game;

/// Ends a program the test started (SIGTERM, then SIGKILL after 3 s) and deletes it.
struct Stop {
    void operator()(QProcess* p) const;
};
using Started = std::unique_ptr<QProcess, Stop>;

/// Whether every one of `programs` is installed.
bool installed(const QStringList& programs);
/// A new empty folder in the temporary one, named after `name` and the test, that only its owner
/// enters, as a compositor wants its runtime folder.
QString runtimeFolder(const QString& name);
/// Whether a window manager names itself on the root window of DISPLAY within `ms`.
bool managed(int ms);

/// The middle of a designed widget in its window, pixels.
QPoint middle(const kt::Widget& w);
/// The window of a form once it is shown and exposed and, unless `active` is false, has the
/// focus; null when it has not within 5 s.
ktqt::FormView* shown(Game& g, const char* name, bool active = true);

class Desktop {
public:
    /// Starts the server and the window manager on a free display and points DISPLAY at it.
    /// On failure `error()` says why (a missing program, most likely).
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Starts a bare X server on a free display, without a window manager, and names the display;
    /// null when none could start. Its screen is the desktop's unless `screen` says otherwise
    /// ("640x480x24": width, height and colour depth).
    static Started startServer(QString& display, const QString& screen = {});

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
    /// The xdotool command that moves the pointer to `at` in `w`, or in the client area of
    /// `window`, without pressing; more commands may follow it.
    static QStringList pointerTo(QWidget* w, QPoint at);
    static QStringList pointerTo(unsigned long window, QPoint at);
    /// Presses and releases each of `keys` in turn, as xdotool names them ("g", "shift+g",
    /// "Return", "Tab", "shift+Tab", "Right"), in the focused window.
    bool keys(const QStringList& keys);

    /// The client area of a top-level window as the X server has it, in root coordinates.
    QRect clientArea(QWidget* window);
    QRect clientArea(unsigned long window);
    /// The window manager's frame of a top-level window, in root coordinates.
    QRect frame(QWidget* window);
    /// Whether the window manager stacks top-level `upper` above `lower`.
    bool above(QWidget* upper, QWidget* lower);

    /// Runs `program` with `args` (xdotool, xprop, xwininfo) on DISPLAY or on `display` (a Qt
    /// program there on Qt's xcb platform) and returns its standard output; `ok` tells whether
    /// it ended with status 0.
    static QString run(const QString& program, const QStringList& args, bool* ok = nullptr,
                       const QString& display = {});

private:
    Started server_, manager_;
    QString display_;
    QString error_;
};

/// A Wayland desktop of the test's own: sway on a headless output of the desktop's size in
/// logical pixels at `scale`, run as an unprivileged user (it refuses root) with a runtime folder
/// of its own. Headless sway has no input devices: a virtual pointer (tests/wayland/pointer.c)
/// and wtype give it real compositor input; swaymsg tells what it stacks, focuses and where.
class Sway {
public:
    /// Starts sway and the pointer, and points WAYLAND_DISPLAY and SWAYSOCK at them.
    explicit Sway(int scale);
    ~Sway();
    Sway(const Sway&) = delete;
    Sway& operator=(const Sway&) = delete;

    QString error() const { return error_; }

    /// Whether sway stacks top-level `upper` above `lower`, and whether `w` has the focus. Sway
    /// knows a window by its client area's size, as the game's windows all differ in size.
    bool above(QWidget* upper, QWidget* lower);
    bool focused(QWidget* w);
    /// Where the client area of top-level `w` stands in the layout, logical pixels.
    QRect clientArea(QWidget* w);
    /// Moves the pointer to `at` in `w` (a widget of a shown window) and presses and releases
    /// `button` (1 left, 2 middle, 3 right) `times` times.
    bool click(QWidget* w, QPoint at, int button = 1, int times = 1);
    /// The same at `at` in the layout, logical pixels.
    bool click(QPoint at, int button = 1, int times = 1);
    /// Presses and releases each of `keys` in turn, as wtype names them ("Return", "g").
    bool keys(const QStringList& keys);
    /// What the output shows, in its own pixels.
    QImage screenshot();

private:
    /// sway's windows, floating ones in their stacking order, bottom to top.
    std::vector<QJsonObject> windows();
    /// The index in `windows` of the one showing `w`; -1 if none.
    static int find(const std::vector<QJsonObject>& windows, QWidget* w);
    /// Sends the pointer one line, "X Y [BUTTON...]", and waits until the compositor has it.
    bool gesture(const QString& line);

    Started sway_, pointer_;
    QString runtime_;
    QString error_;
    int scale_;
};

/// The battlefield of a battle started from the start menu by the model's click on "gioca", once
/// shown and exposed (a compositor may keep the keyboard elsewhere); null when it did not show.
ktqt::FormView* battleShown(Game& g);

/// Shows a box saying `text` (the victory's by default) over the battlefield of `g`, runs
/// `meanwhile` with the box once it is open and exposed, and returns whether the player's input
/// closed it: a guard closes it after 30 s, so that a box the keyboard never reached does not
/// hold the test for ever.
bool boxClosedByPlayer(Game& g, const std::function<void(QWidget* box)>& meanwhile,
                       const QString& text = "Hai vinto!!");

/// The main() of a desktop test: starts a desktop, points Qt's xcb platform at it at scale 1,
/// creates the application and returns what `run` does there; 77 (skipped) when the desktop
/// cannot start.
int onDesktop(int argc, char** argv, const std::function<int(Desktop&)>& run);

} // namespace kolvar
