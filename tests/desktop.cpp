// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop.h"

#include "harness.h"
#include "toolkit/qt/view.h"

#include "toolkit/widgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace kolvar {

namespace {

int field(const QString& text, const QString& name) {
    const auto m =
        QRegularExpression(QRegularExpression::escape(name) + R"(:\s*(-?\d+))").match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

/// Why the test cannot start `programs`: empty when all are installed.
QString missing(const QStringList& programs) {
    for (const QString& p : programs)
        if (QStandardPaths::findExecutable(p).isEmpty())
            return programs.join(", ") + " are needed (./scripts/setup installs them)";
    return {};
}

/// Whether a window manager names itself on the root window.
bool managed() {
    return Desktop::run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
}

/// Whether `p` starts and still runs once `ready` holds, within `ms`.
bool ready(QProcess& p, const std::function<bool()>& ready, int ms) {
    return p.waitForStarted() &&
           QTest::qWaitFor([&] { return ready() || p.state() != QProcess::Running; }, ms) &&
           p.state() == QProcess::Running;
}

/// Whether the window manager takes a window mapped now. It names itself on the root window
/// before it is done starting, and Openbox drops a window mapped in between (2 starts in 19 on
/// a loaded machine): the game's first window then stays unmapped.
bool takesNewWindows() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        QProcess probe;
        probe.start("xmessage", {"probe"});
        const bool taken = ready(
            probe,
            [] {
                return Desktop::run("xprop", {"-root", "_NET_CLIENT_LIST"}).contains("0x");
            },
            2000);
        probe.kill();
        probe.waitForFinished();
        if (taken) return true;
    }
    return false;
}

/// The X windows `xprop` names in `out`, in its order.
std::vector<unsigned long> windowIds(const QString& out) {
    std::vector<unsigned long> ids;
    for (const auto& m : QRegularExpression("0x[0-9a-fA-F]+").globalMatch(out))
        ids.push_back(m.captured(0).toULong(nullptr, 16));
    return ids;
}

} // namespace

void Stop::operator()(QProcess* p) const {
    // A program that leads a process group takes it along: what it started outlives it otherwise.
    const pid_t pid = pid_t(p->processId()), to = pid > 0 && ::getpgid(pid) == pid ? -pid : pid;
    if (pid > 0) ::kill(to, SIGTERM);
    if (!p->waitForFinished(3000) && pid > 0) ::kill(to, SIGKILL);
    p->waitForFinished();
    delete p;
}

Started Desktop::startServer(QString& display, const QString& screen) {
    // A display number nobody uses, tried until a server holds one.
    for (int n = 90 + int(QCoreApplication::applicationPid() % 40); n < 200; ++n) {
        // A server killed outright leaves its lock and socket: the number is free again once
        // the process the lock names has gone.
        QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(n));
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (lock.open(QIODevice::ReadOnly)) {
            const pid_t owner = lock.readAll().trimmed().toInt();
            lock.close();
            if (owner > 0 && (::kill(owner, 0) == 0 || errno != ESRCH)) continue;
            lock.remove();
            QFile::remove(socket);
        }
        if (QFile::exists(socket)) continue;
        Started server(new QProcess);
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setStandardOutputFile(QProcess::nullDevice());
        // A test that dies leaves no server behind to hold the runner's output open.
        server->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        server->start(
            "Xvfb", {QStringLiteral(":%1").arg(n), "-screen", "0",
                     screen.isEmpty() ? QStringLiteral("%1x%2x24").arg(width).arg(height) : screen,
                     "-nolisten", "tcp", "-noreset"});
        if (ready(
                *server, [&] { return QFile::exists(socket); }, 10000)) {
            display = QStringLiteral(":%1").arg(n);
            return server;
        }
    }
    return nullptr;
}

Desktop::Desktop() {
    // Openbox unless KOLVAR_WM names another window manager (xfwm4).
    const QString wm = qEnvironmentVariable("KOLVAR_WM", "openbox");
    QStringList needed{"Xvfb", wm, "xdotool", "xwininfo", "xprop", "xmessage"};
    if (wm == "xfwm4") needed << "dbus-run-session";
    if (!(error_ = missing(needed)).isEmpty()) return;
    server_ = startServer(display_, qEnvironmentVariable("KOLVAR_SCREEN"));
    if (!server_) {
        error_ = "no X server could be started";
        return;
    }
    qputenv("DISPLAY", display_.toUtf8());
    manager_.reset(new QProcess);
    manager_->setStandardOutputFile(QProcess::nullDevice());
    manager_->setStandardErrorFile(QProcess::nullDevice());
    // xfwm4 reads its settings from xfconf, over a session bus of its own.
    if (wm == "xfwm4") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("NO_AT_BRIDGE", "1");
        manager_->setProcessEnvironment(env);
        manager_->start("dbus-run-session", {"--", wm, "--compositor=off", "--sm-client-disable"});
    } else
        manager_->start(wm, {"--sm-disable"});
    if (!ready(*manager_, managed, 10000) || !takesNewWindows()) error_ = wm + " did not start";
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_SCALE_FACTOR", "1");
}

Desktop::~Desktop() {
    // The server first: the window manager ends with it and takes down what it started (the
    // session bus of xfwm4's settings), which it cannot do when it is killed.
    server_.reset();
    if (manager_) manager_->waitForFinished(3000);
}

QString Desktop::run(const QString& program, const QStringList& args, bool* ok,
                     const QString& display) {
    QProcess p;
    if (!display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    const bool done =
        p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok) *ok = done;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

bool Desktop::xdotool(const QStringList& args) {
    bool ok = false;
    run("xdotool", args, &ok, input_);
    // The server has the input now; Qt reads it from its connection on its next turns.
    QTest::qWait(120);
    return ok;
}

QStringList Desktop::pointerTo(QWidget* w, QPoint at) {
    QWidget* top = w->window();
    return pointerTo(top->winId(), w->mapTo(top, at));
}

QStringList Desktop::pointerTo(unsigned long window, QPoint at) {
    return {"mousemove", "--window", QString::number(window), QString::number(at.x()),
            QString::number(at.y())};
}

bool Desktop::click(QWidget* w, QPoint at, int button, const QString& modifiers, int times,
                    int gapMs) {
    QWidget* top = w->window();
    return click(top->winId(), w->mapTo(top, at), button, modifiers, times, gapMs);
}

bool Desktop::click(unsigned long window, QPoint at, int button, const QString& modifiers,
                    int times, int gapMs) {
    QStringList args = pointerTo(window, at);
    if (!modifiers.isEmpty()) args << "keydown" << modifiers;
    args << "click"
         << "--repeat" << QString::number(times) << "--delay" << QString::number(gapMs)
         << QString::number(button);
    if (!modifiers.isEmpty()) args << "keyup" << modifiers;
    return xdotool(args);
}

bool Desktop::press(QWidget* w, QPoint at, int button, int times) {
    return click(w, at, button, {}, times);
}

bool Desktop::keys(const QStringList& keys) {
    return xdotool(QStringList{"key", "--delay", "60"} + keys);
}

bool Desktop::pressAt(QWidget* w, QPoint at, int button, int times) {
    // The pointer comes first and `w` takes its entry: sway drops a press that comes with the
    // first motion over a window it has just mapped, as it may under load. A window that a
    // message box blocks is told of no entry.
    const QStringList to{"mousemove", QString::number(at.x()), QString::number(at.y())};
    const QWindow* modal = QGuiApplication::modalWindow();
    const bool blocked = modal && modal != w->window()->windowHandle();
    return xdotool(to) && (blocked || QTest::qWaitFor([w] { return w->underMouse(); }, 3000)) &&
           xdotool({"click", "--repeat", QString::number(times), "--delay", "80",
                    QString::number(button)});
}

QImage Desktop::grabbed(const QString& file) {
    QFile::remove(file);
    run(QCoreApplication::applicationFilePath(), {"--grab", file}, nullptr, display_);
    return QImage(file);
}

QRect Desktop::clientArea(QWidget* window) {
    return clientArea(window->winId());
}

QRect Desktop::clientArea(unsigned long window) {
    const QString out = run("xwininfo", {"-id", QString::number(window)});
    return QRect(field(out, "Absolute upper-left X"), field(out, "Absolute upper-left Y"),
                 field(out, "Width"), field(out, "Height"));
}

QRect Desktop::frame(QWidget* window) {
    // The window manager states its borders on the client: left, right, top, bottom.
    const QString out =
        run("xprop", {"-id", QString::number(window->winId()), "_NET_FRAME_EXTENTS"});
    std::vector<int> e;
    for (const auto& m : QRegularExpression(R"(\b\d+\b)").globalMatch(out.section('=', 1)))
        e.push_back(m.captured(0).toInt());
    const QRect client = clientArea(window);
    if (e.size() != 4) return client;
    return client.adjusted(-e[0], -e[2], e[1], e[3]);
}

bool Desktop::above(QWidget* upper, QWidget* lower) {
    // The client windows bottom to top, as the window manager stacks them.
    const auto ids = windowIds(run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}));
    const auto u = std::find(ids.begin(), ids.end(), upper->winId()),
               l = std::find(ids.begin(), ids.end(), lower->winId());
    return u != ids.end() && l != ids.end() && u > l;
}

bool Desktop::focused(QWidget* w) {
    // xfwm4 names the previous window too: the active one is the first.
    const auto ids = windowIds(run("xprop", {"-root", "_NET_ACTIVE_WINDOW"}));
    return !ids.empty() && ids.front() == w->winId();
}

QString Desktop::actions(QWidget* w) {
    return run("xprop", {"-id", QString::number(w->winId()), "_NET_WM_ALLOWED_ACTIONS"});
}

QImage Desktop::screenshot() {
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

bool Seat::shows(QWidget* w, QRect part) {
    const QImage screen = screenshot().convertToFormat(QImage::Format_RGB32);
    const QImage own = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const qreal ratio = w->devicePixelRatioF();
    const QPoint at = clientArea(w).topLeft();
    if (part.isNull()) part = w->rect();
    if (!QRect(QPoint(), screen.size() / ratio).contains(part.translated(at))) return false;
    for (int y = part.top(); y <= part.bottom(); y += 3)
        for (int x = part.left(); x <= part.right(); x += 3)
            if (screen.pixel((at + QPoint(x, y)) * ratio) != own.pixel(QPoint(x, y) * ratio))
                return false;
    return true;
}

/// GNOME's compositor nested in a window of a bare X server: the game runs on the Xwayland it
/// starts, gets the outer server's input through it, and is seen on the outer server's screen.
class Mutter : public Desktop {
public:
    Mutter()
        : Desktop(Bare{}) {
        error_ = missing({"mutter", "Xwayland", "dbus-run-session", "xdotool", "xprop"});
        if (!error_.isEmpty()) return;
        broken_ = true;
        server_ = startServer(display_);
        if (!server_) {
            error_ = "no X server could be started";
            return;
        }
        input_ = display_;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("MUTTER_DEBUG_DUMMY_MODE_SPECS", QStringLiteral("%1x%2").arg(width).arg(height));
        env.remove("WAYLAND_DISPLAY");
        mutter_.reset(new QProcess);
        mutter_->setProcessEnvironment(env);
        mutter_->setStandardOutputFile(QProcess::nullDevice());
        mutter_->setStandardErrorFile(runtime_.filePath("mutter.log"));
        // mutter starts Xwayland itself and hands its display to the command it runs.
        const QString handed = runtime_.filePath("env");
        mutter_->setChildProcessModifier([] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        mutter_->start("dbus-run-session",
                       {"--", "mutter", "--nested", "--wayland", "--wayland-display", "kolvar",
                        "--", "sh", "-c",
                        "env > \"$0.new\" && mv \"$0.new\" \"$0\" && exec sleep 1000000", handed});
        if (!ready(
                *mutter_, [&] { return QFile::exists(handed); }, 20000)) {
            error_ = "mutter did not start";
            return;
        }
        QFile file(handed);
        file.open(QIODevice::ReadOnly);
        for (const QByteArray& line : file.readAll().split('\n'))
            for (const char* name : {"DISPLAY=", "XAUTHORITY=", "WAYLAND_DISPLAY="})
                if (line.startsWith(name)) {
                    const int eq = line.indexOf('=');
                    qputenv(line.left(eq).constData(), line.mid(eq + 1));
                }
        if (qgetenv("DISPLAY") == display_.toUtf8()) error_ = "mutter started no Xwayland";
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
        qputenv("XDG_SESSION_TYPE", "wayland");
        qputenv("QT_SCALE_FACTOR", "1");
        qunsetenv("QT_QPA_PLATFORM"); // the platform is the game's choice, as in a GNOME session
        // mutter manages the X server's windows once it names itself on the root window.
        if (error_.isEmpty() && !ready(*mutter_, managed, 15000))
            error_ = "mutter manages no X windows";
    }

    bool press(QWidget* w, QPoint at, int button, int times) override {
        return pressAt(w, clientArea(w->window()).topLeft() + w->mapTo(w->window(), at), button,
                       times);
    }

    QRect clientArea(QWidget* window) override {
        return QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    }

    /// Whether `upper` shows whole where it overlaps `lower`.
    bool above(QWidget* upper, QWidget* lower) override {
        const QRect overlap = clientArea(upper) & clientArea(lower);
        return !overlap.isEmpty() && shows(upper, overlap.translated(-clientArea(upper).topLeft()));
    }

    /// By this same program started on the outer server with --grab.
    QImage screenshot() override { return grabbed(runtime_.filePath("screen.png")); }

private:
    // Gone in the reverse order: mutter with its group (the session bus, Xwayland, the command),
    // its folder, then the X server.
    QTemporaryDir runtime_{QDir::temp().filePath("kolvar-mutter-XXXXXX")};
    Started mutter_;
};

namespace {

/// Every window of sway's tree under `node`, floating ones in their stacking order, bottom to top.
void windowsOf(const QJsonObject& node, std::vector<QJsonObject>& out) {
    if (node["pid"].toInt() != 0) out.push_back(node);
    for (const char* list : {"nodes", "floating_nodes"})
        for (const auto& child : node[list].toArray()) windowsOf(child.toObject(), out);
}

QRect areaOf(const QJsonObject& node) {
    const QJsonObject r = node["rect"].toObject(), c = node["window_rect"].toObject();
    return QRect(r["x"].toInt() + c["x"].toInt(), r["y"].toInt() + c["y"].toInt(),
                 c["width"].toInt(), c["height"].toInt());
}

} // namespace

/// Sway in a window of a bare X server (wlroots' X11 backend), its output the desktop's size in
/// logical pixels at `scale`, run as an unprivileged user (it refuses root) with a runtime folder
/// of its own. The backend turns the X server's pointer and keyboard into sway's own input
/// devices: xdotool's input reaches the game as compositor input. swaymsg tells what sway stacks,
/// focuses and where; sway knows a window by its client area's size, as the game's windows all
/// differ in size.
class Sway : public Desktop {
public:
    explicit Sway(int scale)
        : Desktop(Bare{})
        , scale_(scale) {
        if (!(error_ = missing({"sway", "swaymsg", "Xvfb", "xdotool"})).isEmpty()) return;
        broken_ = true;
        server_ = startServer(
            display_,
            QStringLiteral("%1x%2x24").arg(Desktop::width * scale).arg(Desktop::height * scale));
        if (!server_) {
            error_ = "no X server could be started";
            return;
        }
        input_ = display_;
        const QString config = runtime_.filePath("config");
        writeFile(config, QStringLiteral("output X11-1 mode %1x%2 scale %3\nxwayland disable\n")
                              .arg(Desktop::width * scale)
                              .arg(Desktop::height * scale)
                              .arg(scale)
                              .toUtf8());
        QStringList command{"sway", "-c", config};
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody ||
                chown(qPrintable(runtime_.path()), nobody->pw_uid, nobody->pw_gid) != 0 ||
                chown(qPrintable(config), nobody->pw_uid, nobody->pw_gid) != 0) {
                error_ = "no unprivileged user to run sway as";
                return;
            }
            command =
                QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"} +
                command;
        }
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", runtime_.path());
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        env.insert("DISPLAY", display_);
        env.insert("WLR_BACKENDS", "x11");
        env.insert("WLR_RENDERER", "pixman");
        sway_.reset(new QProcess);
        sway_->setProcessEnvironment(env);
        sway_->setStandardOutputFile(QProcess::nullDevice());
        sway_->setStandardErrorFile(runtime_.filePath("sway.log"));
        sway_->start(command.takeFirst(), command);
        const QDir dir(runtime_.path());
        const auto socket = [&](const char* pattern) {
            const QStringList found = dir.entryList({pattern}, QDir::System);
            return found.isEmpty() ? QString() : dir.filePath(found[0]);
        };
        if (!ready(
                *sway_,
                [&] {
                    return !socket("wayland-?").isEmpty() && !socket("sway-ipc.*.sock").isEmpty();
                },
                10000)) {
            error_ = "sway did not start";
            return;
        }
        // Every client finds the compositor by its socket's full path, sway's tools by SWAYSOCK.
        qputenv("WAYLAND_DISPLAY", socket("wayland-?").toUtf8());
        qputenv("SWAYSOCK", socket("sway-ipc.*.sock").toUtf8());
        // The platform is the game's choice, as in a sway session, which has an X server beside it;
        // the compositor's scale is the one a player has.
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("XDG_SESSION_TYPE", "wayland");
        if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("DISPLAY", ":kolvar-none");
        qunsetenv("QT_SCALE_FACTOR");
    }

    QString platform() const override { return "wayland"; }

    bool above(QWidget* upper, QWidget* lower) override {
        const auto all = windows();
        const int u = find(all, upper), l = find(all, lower);
        return u >= 0 && l >= 0 && u > l;
    }

    bool focused(QWidget* w) override {
        const auto all = windows();
        const int i = find(all, w);
        return i >= 0 && all[size_t(i)]["focused"].toBool();
    }

    QRect clientArea(QWidget* w) override {
        // A window Qt has shown may take sway a moment to map.
        std::vector<QJsonObject> all;
        int i = -1;
        if (!QTest::qWaitFor([&] { return (i = find(all = windows(), w)) >= 0; }, 5000)) return {};
        const QMargins frame = w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
        return areaOf(all[size_t(i)]).marginsRemoved(frame);
    }

    bool press(QWidget* w, QPoint at, int button, int times) override {
        const QRect area = clientArea(w->window());
        return !area.isEmpty() &&
               pressAt(w, (area.topLeft() + w->mapTo(w->window(), at)) * scale_, button, times);
    }

    QString actions(QWidget* w) override {
        // Sway draws no title bar of its own for a window it floats at a fixed size: the window
        // offers what it asks Qt for.
        const Qt::WindowFlags f = w->windowHandle()->flags();
        QString offered = "CLOSE";
        if (f & Qt::WindowMaximizeButtonHint || w->minimumSize() != w->maximumSize())
            offered += " MAXIMIZE";
        if (f & Qt::WindowMinimizeButtonHint) offered += " MINIMIZE";
        return offered;
    }

    QImage screenshot() override { return grabbed(runtime_.filePath("screen.png")); }

private:
    /// sway's windows, floating ones in their stacking order, bottom to top.
    std::vector<QJsonObject> windows() {
        std::vector<QJsonObject> out;
        windowsOf(
            QJsonDocument::fromJson(Desktop::run("swaymsg", {"-r", "-t", "get_tree"}).toUtf8())
                .object(),
            out);
        return out;
    }

    /// The index in `windows` of the one showing `w`; -1 if none.
    static int find(const std::vector<QJsonObject>& windows, QWidget* w) {
        // Where Qt draws its own title bar, the surface is larger by it.
        const QMargins frame = w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
        const QSize size = w->size().grownBy(frame);
        for (size_t i = 0; i < windows.size(); ++i)
            if (areaOf(windows[i]).size() == size) return int(i);
        return -1;
    }

    // A runtime folder of sway's own, which the user it runs as owns; gone after sway. In /tmp
    // whatever TMPDIR says: a private one (under root's home) would be out of that user's reach.
    QTemporaryDir runtime_{QStringLiteral("/tmp/kolvar-sway-XXXXXX")};
    Started sway_;
    int scale_;
};

std::unique_ptr<Seat> startSeat() {
    const QString kind = qEnvironmentVariable("KOLVAR_DESKTOP");
    if (kind == "mutter") return std::make_unique<Mutter>();
    if (kind == "sway")
        return std::make_unique<Sway>(std::max(1, qEnvironmentVariableIntValue("KOLVAR_SCALE")));
    return std::make_unique<Desktop>();
}

ktqt::FormView* shown(Game& g, const char* name, bool active) {
    ktqt::FormView* v = nullptr;
    if (!QTest::qWaitFor([&] { return (v = viewOf(g, name)) && v->isVisible(); }, 5000))
        return nullptr;
    if (!QTest::qWaitForWindowExposed(v) || (active && !QTest::qWaitForWindowActive(v)))
        return nullptr;
    return v;
}

} // namespace kolvar
