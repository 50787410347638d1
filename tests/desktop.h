// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Desktops of the test's own, reached the way a player's mouse and keyboard reach the game: an X
// server (Xvfb) under a window manager (Openbox, or the one KOLVAR_WM names) driven by xdotool;
// GNOME's compositor mutter nested on such a server; sway in a window of such a server.

#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
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

/// Ends a program the test started (SIGTERM, then SIGKILL after 3 s), with its process group if
/// it leads one, and deletes it.
struct Stop {
    void operator()(QProcess* p) const;
};
using Started = std::unique_ptr<QProcess, Stop>;

/// The window of a form once it is shown and exposed and, unless `active` is false, has the
/// focus; null when it has not within 5 s.
ktqt::FormView* shown(Game& g, const char* name, bool active = true);

/// What a test asks of a desktop, whichever it is: real input, and what the desktop does with the
/// game's top-level windows. Points and areas are the desktop's logical pixels.
class Seat {
public:
    virtual ~Seat() = default;
    /// Why the desktop did not start; empty when it did. `broken` when it should have.
    QString error() const { return error_; }
    bool broken() const { return broken_; }
    /// The Qt platform the game chooses there.
    virtual QString platform() const { return "xcb"; }

    /// Presses and releases `button` (1 left, 2 middle, 3 right as X numbers them) `times`
    /// times at `at` in `w`, a widget of a shown window.
    virtual bool press(QWidget* w, QPoint at, int button = 1, int times = 1) = 0;
    /// Presses and releases each of `keys` in turn ("g", "Return", "Tab") in the focused window.
    virtual bool keys(const QStringList& keys) = 0;
    virtual QRect clientArea(QWidget* window) = 0;
    /// The same with the frame the desktop draws around it.
    virtual QRect frame(QWidget* window) { return clientArea(window); }
    /// Whether the desktop stacks `upper` above `lower`, and whether `w` has the keyboard.
    virtual bool above(QWidget* upper, QWidget* lower) = 0;
    virtual bool focused(QWidget* w) = 0;
    /// What the desktop lets the player do with `w` ("CLOSE", "MAXIMIZE", "MINIMIZE").
    virtual QString actions(QWidget* w) = 0;
    /// What the screen shows, in its own pixels.
    virtual QImage screenshot() = 0;
    /// Whether the screen shows `part` of top-level `w` (all of it by default) as `w` paints
    /// itself, every third pixel compared.
    bool shows(QWidget* w, QRect part = {});

protected:
    QString error_;
    bool broken_ = false;
};

class Desktop : public Seat {
public:
    /// Starts the server and the window manager on a free display; DISPLAY and Qt (xcb, scale 1)
    /// go there.
    Desktop();
    ~Desktop() override;

    /// A bare X server on a free display it names, its screen the desktop's unless `screen`
    /// says otherwise ("640x480x24": width, height, depth); null when none could start.
    static Started startServer(QString& display, const QString& screen = {});
    static constexpr int width = 1280, height = 1024;

    /// Runs xdotool with `args` (chained commands), then lets Qt handle what the server sent.
    bool xdotool(const QStringList& args);
    /// As press(), `gapMs` apart, while holding `modifiers` ("shift", "ctrl+shift").
    bool click(QWidget* w, QPoint at, int button = 1, const QString& modifiers = {}, int times = 1,
               int gapMs = 80);
    /// The same in the client area of the X window `window`, which may be another program's.
    bool click(unsigned long window, QPoint at, int button = 1, const QString& modifiers = {},
               int times = 1, int gapMs = 80);
    /// The xdotool command that moves the pointer to `at` in `w`, or in `window`, only.
    static QStringList pointerTo(QWidget* w, QPoint at);
    static QStringList pointerTo(unsigned long window, QPoint at);
    QRect clientArea(unsigned long window);

    bool press(QWidget* w, QPoint at, int button = 1, int times = 1) override;
    bool keys(const QStringList& keys) override;
    QRect clientArea(QWidget* window) override;
    QRect frame(QWidget* window) override;
    bool above(QWidget* upper, QWidget* lower) override;
    bool focused(QWidget* w) override;
    QString actions(QWidget* w) override;
    QImage screenshot() override;

    /// The standard output of `program` run with `args` on DISPLAY or on `display` (there on
    /// Qt's xcb platform); `ok` tells whether it ended with status 0.
    static QString run(const QString& program, const QStringList& args, bool* ok = nullptr,
                       const QString& display = {});

protected:
    struct Bare {};
    explicit Desktop(Bare) {}
    /// A press on `w` at `at`, pixels of the X screen of a nested compositor, once the pointer
    /// moved there has entered `w`.
    bool pressAt(QWidget* w, QPoint at, int button, int times);
    /// What that X screen shows, grabbed into `file` by this program started there with --grab.
    QImage grabbed(const QString& file);

    Started server_, manager_;
    QString display_;
    QString input_; ///< the display xdotool's input goes to; DISPLAY when empty
};

/// The desktop KOLVAR_DESKTOP names ("mutter", "sway" at KOLVAR_SCALE; X11 by default), started.
std::unique_ptr<Seat> startSeat();

} // namespace kolvar
