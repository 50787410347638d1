// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's windows on GNOME's compositor: mutter runs nested, as a Wayland compositor in a
// window of a bare X server, with the X server it runs beside its clients (Xwayland), and passes
// the X input it gets on to them. The test is the game, started the way a GNOME session starts
// it; what the compositor shows is read back from the outer X server, by this same program
// started on it with --grab.

#include "app/display.h"
#include "desktop.h"
#include "harness.h"
#include "shell/frmsplash.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

using kolvar::Game;
using kolvar::middle;
using kolvar::shown;

namespace {

/// Nested mutter on an X server of its own, its output as large as the server's screen.
class Mutter {
public:
    Mutter() {
        for (const char* program : {"mutter", "Xwayland", "dbus-run-session", "xdotool", "xprop"})
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                error = "mutter, Xwayland, dbus-run-session, xdotool and xprop are needed "
                        "(./scripts/setup)";
                missing = true;
                return;
            }
        server_.reset(kolvar::Desktop::startServer(display_));
        if (!server_) {
            error = "no X server could be started";
            return;
        }
        runtime_ = QDir::temp().filePath(
            QStringLiteral("kolvar-mutter-%1").arg(QCoreApplication::applicationPid()));
        QDir(runtime_).removeRecursively();
        QDir().mkpath(runtime_);
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("XDG_RUNTIME_DIR", runtime_);
        env.insert(
            "MUTTER_DEBUG_DUMMY_MODE_SPECS",
            QStringLiteral("%1x%2").arg(kolvar::Desktop::width).arg(kolvar::Desktop::height));
        env.remove("WAYLAND_DISPLAY");
        mutter_.setProcessEnvironment(env);
        mutter_.setStandardOutputFile(QProcess::nullDevice());
        mutter_.setStandardErrorFile(runtime_ + "/mutter.log");
        // mutter starts Xwayland itself and hands its display to the command it runs.
        const QString handed = runtime_ + "/env";
        mutter_.setChildProcessModifier([] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        });
        mutter_.start("dbus-run-session",
                      {"--", "mutter", "--nested", "--wayland", "--wayland-display", "kolvar", "--",
                       "sh", "-c", "env > \"$0.new\" && mv \"$0.new\" \"$0\" && exec sleep 1000000",
                       QString(handed)});
        if (!mutter_.waitForStarted() ||
            !QTest::qWaitFor([&] { return QFile::exists(handed); }, 20000)) {
            error = "mutter did not start";
            return;
        }
        QFile file(handed);
        if (!file.open(QIODevice::ReadOnly)) return;
        for (const QByteArray& line : file.readAll().split('\n'))
            for (const char* name : {"DISPLAY=", "XAUTHORITY=", "WAYLAND_DISPLAY="})
                if (line.startsWith(name)) {
                    const int eq = line.indexOf('=');
                    qputenv(line.left(eq).constData(), line.mid(eq + 1));
                }
        if (qgetenv("DISPLAY") == display_.toUtf8()) error = "mutter started no Xwayland";
        qputenv("XDG_RUNTIME_DIR", runtime_.toUtf8());
        qputenv("XDG_SESSION_TYPE", "wayland");
        qunsetenv("QT_QPA_PLATFORM");
        // mutter manages the X server's windows once it names itself on the root window.
        const bool managing = QTest::qWaitFor(
            [] {
                QProcess xprop;
                xprop.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
                return xprop.waitForFinished(5000) &&
                       xprop.readAllStandardOutput().contains("window id");
            },
            15000);
        if (!managing) error = "mutter manages no X windows";
    }
    ~Mutter() {
        // The session bus, Xwayland and the command outlive mutter unless their group goes.
        if (const qint64 group = mutter_.processId(); group > 0) {
            ::kill(pid_t(-group), SIGTERM);
            if (!mutter_.waitForFinished(3000)) ::kill(pid_t(-group), SIGKILL);
        }
        mutter_.waitForFinished();
        if (server_) {
            server_->terminate();
            if (!server_->waitForFinished(3000)) server_->kill();
            server_->waitForFinished();
        }
        QDir(runtime_).removeRecursively();
    }

    /// The X server's screen, which mutter's window covers from its top-left corner.
    QImage screenshot() {
        const QString file = runtime_ + "/screen.png";
        QFile::remove(file);
        QProcess grab;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("QT_QPA_PLATFORM", "xcb");
        grab.setProcessEnvironment(env);
        grab.start(QCoreApplication::applicationFilePath(), {"--grab", file});
        grab.waitForFinished(20000);
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }
    /// Presses and releases `button` at `at`, compositor pixels.
    bool click(QPoint at, int button = 1) {
        return xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                        QString::number(button)});
    }
    bool keys(const QStringList& keys) {
        return xdotool(QStringList{"key", "--delay", "60"} + keys);
    }

    QString error;
    bool missing = false; ///< a program the test needs is not installed

private:
    bool xdotool(const QStringList& args) {
        QProcess x;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        x.setProcessEnvironment(env);
        x.start("xdotool", args);
        return x.waitForFinished(10000) && x.exitCode() == 0;
    }

    std::unique_ptr<QProcess> server_;
    QProcess mutter_;
    QString display_, runtime_;
};

Mutter* mutter = nullptr;

/// Where `w`'s client area stands on the screen, compositor pixels.
QRect placeOf(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

/// Whether the screen shows `w` as it paints itself over `part` of it (all of it by default),
/// every third pixel compared.
bool showsWhole(const QImage& screen, QWidget* w, QRect part = {}) {
    const QImage own = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (part.isNull()) part = own.rect();
    const QPoint at = placeOf(w).topLeft();
    if (!screen.rect().contains(part.translated(at))) return false;
    for (int y = part.top(); y <= part.bottom(); y += 3)
        for (int x = part.left(); x <= part.right(); x += 3)
            if (screen.pixel(at + QPoint(x, y)) != own.pixel(x, y)) return false;
    return true;
}

/// Whether `upper` shows whole where it overlaps `lower`.
bool above(QWidget* upper, QWidget* lower) {
    const QRect overlap = placeOf(upper) & placeOf(lower);
    return !overlap.isEmpty() &&
           showsWhole(mutter->screenshot(), upper, overlap.translated(-placeOf(upper).topLeft()));
}

/// What the desktop lets the player do with `w`'s window, as it tells X programs.
QString allowedActions(QWidget* w) {
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(w->winId()), "_NET_WM_ALLOWED_ACTIONS"});
    xprop.waitForFinished(5000);
    return QString::fromLatin1(xprop.readAllStandardOutput());
}

} // namespace

class MutterTest : public QObject {
    Q_OBJECT

    // The waits are qWaitFor's, on the clock: QTRY counts its polls, and with a screenshot in each
    // a failure would take minutes to report.
private slots:
    // GNOME's compositor draws no frames for Wayland windows: there the game runs on its X
    // server, where the frames are the desktop's. Fixed windows offer no maximise, nor boxes
    // minimise.
    void theDesktopFramesTheWindows() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Game g;
        g.run("click frmSplash Command4");
        ktqt::FormView* help = shown(g, "Dialog", false);
        QVERIFY(help);
        ktqt::FormView* field = kolvar::battleShown(g);
        QVERIFY(field);
        for (QWidget* w : {static_cast<QWidget*>(help), static_cast<QWidget*>(field)}) {
            QVERIFY(QTest::qWaitFor(
                [&] { return allowedActions(w).contains("_NET_WM_ACTION_CLOSE"); }, 5000));
            QVERIFY2(!allowedActions(w).contains("MAXIMIZE"), qPrintable(w->objectName()));
        }
        QString box;
        QVERIFY(kolvar::boxClosedByPlayer(g, [&](QWidget* shownBox) {
            if (QTest::qWaitFor([&] { return allowedActions(shownBox).contains("CLOSE"); }, 5000))
                box = allowedActions(shownBox);
            mutter->keys({"Return"});
        }));
        QVERIFY2(box.contains("CLOSE") && !box.contains("MAXIMIZE") && !box.contains("MINIMIZE"),
                 qPrintable(box));
    }

    // The help stays above the battlefield when a battle starts under it and after clicks on
    // the battlefield.
    void theHelpStaysAbove() {
        Game g;
        QVERIFY(shown(g, "frmSplash", false));
        g.run("click frmSplash Command4");
        ktqt::FormView* help = shown(g, "Dialog", false);
        QVERIFY(help);
        g.run("click frmSplash Command1");
        ktqt::FormView* field = shown(g, "Form1", false);
        QVERIFY(field);
        QVERIFY(QTest::qWaitFor([&] { return above(help, field); }, 5000));
        const QRect place = placeOf(field);
        // The right end of the battlefield, clear of the help and of any widget.
        const QPoint ground(place.width() - 60, place.height() / 2 - 60);
        QVERIFY(!placeOf(help).contains(place.topLeft() + ground));
        QVERIFY(!g.app.hit(g.battle(), float(ground.x() * kt::twipsPerPixel),
                           float(ground.y() * kt::twipsPerPixel)));
        QVERIFY(mutter->click(place.topLeft() + ground));
        QVERIFY(mutter->click(place.topLeft() + ground, 3));
        QTest::qWait(300);
        QVERIFY(above(help, field));
    }

    // A box at the end of a battle shows whole over the battlefield's middle, keeps the
    // keyboard after a click on the battlefield, and Enter closes it.
    void theBoxKeepsTheKeyboard() {
        Game g;
        ktqt::FormView* field = kolvar::battleShown(g);
        QVERIFY(field);
        bool boxShown = false, boxOver = false, centred = false, typed = false;
        const bool closed = kolvar::boxClosedByPlayer(g, [&](QWidget* box) {
            // Shown whole once the compositor has placed and drawn it.
            boxShown = QTest::qWaitFor([&] { return showsWhole(mutter->screenshot(), box); }, 5000);
            const QRect place = placeOf(field);
            mutter->click(place.bottomRight() - QPoint(60, 60));
            QTest::qWait(300);
            boxOver = above(box, field);
            // As on Openbox: the box's middle within a few pixels of the battlefield's, whose
            // title bar the desktop leaves above it.
            centred =
                (placeOf(box).center() - field->frameGeometry().center()).manhattanLength() <= 40;
            typed = mutter->keys({"Return"});
        });
        QVERIFY2(closed, "Enter closed the box");
        QVERIFY(typed);
        QVERIFY2(boxShown, "the box showed whole");
        QVERIFY2(boxOver, "the box stood over the battlefield");
        QVERIFY2(centred, "the box stood over the battlefield's middle");
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--grab") == 0) {
        QGuiApplication app(argc, argv);
        return QGuiApplication::primaryScreen()->grabWindow(0).save(argv[2]) ? 0 : 1;
    }
    Mutter compositor;
    if (!compositor.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", compositor.missing ? "SKIP" : "FAIL",
                     qPrintable(compositor.error));
        return compositor.missing ? 77 : 1;
    }
    mutter = &compositor;
    qputenv("QT_SCALE_FACTOR", "1");
    // The platform is the game's choice, as in a GNOME session.
    const std::unique_ptr<QApplication> app = kolvar::openDisplay("test_mutter", argc, argv);
    MutterTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mutter.moc"
