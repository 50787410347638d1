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
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>

using kolvar::Game;
using kolvar::shown;

namespace {

/// Nested mutter on an X server of its own, its output as large as the server's screen.
class Mutter {
public:
    Mutter() {
        if (!kolvar::installed({"mutter", "Xwayland", "dbus-run-session", "xdotool", "xprop"})) {
            error = "mutter, Xwayland, dbus-run-session, xdotool and xprop are needed "
                    "(./scripts/setup)";
            missing = true;
            return;
        }
        server_ = kolvar::Desktop::startServer(display_);
        if (!server_) {
            error = "no X server could be started";
            return;
        }
        runtime_ = kolvar::runtimeFolder("mutter");
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
        if (!kolvar::managed(15000)) error = "mutter manages no X windows";
    }
    ~Mutter() {
        // The session bus, Xwayland and the command outlive mutter unless their group goes.
        if (const qint64 group = mutter_.processId(); group > 0) {
            ::kill(pid_t(-group), SIGTERM);
            if (!mutter_.waitForFinished(3000)) ::kill(pid_t(-group), SIGKILL);
        }
        mutter_.waitForFinished();
        server_.reset();
        QDir(runtime_).removeRecursively();
    }

    /// The X server's screen, which mutter's window covers from its top-left corner.
    QImage screenshot() {
        const QString file = runtime_ + "/screen.png";
        QFile::remove(file);
        kolvar::Desktop::run(QCoreApplication::applicationFilePath(), {"--grab", file}, nullptr,
                             display_);
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
        bool ok = false;
        kolvar::Desktop::run("xdotool", args, &ok, display_);
        return ok;
    }

    kolvar::Started server_;
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
    return kolvar::Desktop::run("xprop",
                                {"-id", QString::number(w->winId()), "_NET_WM_ALLOWED_ACTIONS"});
}

} // namespace

class MutterTest : public QObject {
    Q_OBJECT

    // The waits are qWaitFor's, on the clock: QTRY counts its polls, and with a screenshot in each
    // a failure would take minutes to report.
private slots:
    // GNOME's compositor draws no frames for Wayland windows: there the game runs on its X
    // server, where the frames are the desktop's, and fixed windows offer no maximise. The help
    // stays above the battlefield when a battle starts under it and after clicks on the
    // battlefield.
    void theHelpStaysAbove() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        Game g;
        QVERIFY(shown(g, "frmSplash", false));
        g.run("click frmSplash Command4");
        ktqt::FormView* help = shown(g, "Dialog", false);
        QVERIFY(help);
        g.run("click frmSplash Command1");
        ktqt::FormView* field = shown(g, "Form1", false);
        QVERIFY(field);
        for (QWidget* w : {static_cast<QWidget*>(help), static_cast<QWidget*>(field)}) {
            QVERIFY(QTest::qWaitFor([&] { return allowedActions(w).contains("CLOSE"); }, 5000));
            QVERIFY2(!allowedActions(w).contains("MAXIMIZE"), qPrintable(w->objectName()));
        }
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

    // A box at the end of a battle offers neither maximise nor minimise, shows whole over the
    // battlefield's middle, keeps the keyboard after a click on the battlefield, and Enter
    // closes it.
    void theBoxKeepsTheKeyboard() {
        Game g;
        ktqt::FormView* field = kolvar::battleShown(g);
        QVERIFY(field);
        bool framed = false, boxShown = false, boxOver = false, centred = false, typed = false;
        QString actions;
        const bool closed = kolvar::boxClosedByPlayer(g, [&](QWidget* box) {
            framed = QTest::qWaitFor(
                [&] { return (actions = allowedActions(box)).contains("CLOSE"); }, 5000);
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
        QVERIFY2(framed && !actions.contains("MAXIMIZE") && !actions.contains("MINIMIZE"),
                 qPrintable(actions));
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
