// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's windows on Wayland, where the compositor stacks, places and focuses every window
// and a program can only say how its windows relate: the help belongs to the battlefield (or the
// start menu) and stays above it, a message box belongs to its window and keeps the keyboard.
// Played on sway with real compositor input, at the scale KOLVAR_SCALE names.

#include "app/display.h"
#include "desktop.h"
#include "harness.h"
#include "shell/frmsplash.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <cstdio>

using kolvar::Game;
using kolvar::middle;
using kolvar::shown;

namespace {

kolvar::Sway* sway = nullptr;

/// A point of `view`'s client area, window pixels, where `cover` (another window) does not lie
/// and the form has no widget to press.
QPoint bare(Game& g, ktqt::FormView* view, QWidget* cover) {
    const QRect area = sway->clientArea(view), covered = sway->clientArea(cover);
    for (int y = 8; y < area.height(); y += 16)
        for (int x = 8; x < area.width(); x += 16)
            if (!covered.contains(area.topLeft() + QPoint(x, y)) &&
                !g.app.hit(*view->form(), float(x * kt::twipsPerPixel),
                           float(y * kt::twipsPerPixel)))
                return QPoint(x, y);
    return QPoint(-1, -1);
}

/// Whether the screen shows `w` at `at` (window pixels), as `w` paints itself there.
bool onScreen(QWidget* w, QPoint at) {
    const QImage screen = sway->screenshot();
    const QImage own = w->grab().toImage();
    const qreal ratio = w->devicePixelRatioF();
    const QPoint device = (sway->clientArea(w).topLeft() + at) * ratio;
    return !screen.isNull() && screen.pixel(device) == own.pixel(at * ratio);
}

} // namespace

class WaylandTest : public QObject {
    Q_OBJECT

    // The waits are qWaitFor's, on the clock: QTRY counts its polls, and with a screenshot in each
    // a failure would take minutes to report.
private slots:
    // sway draws the windows' frames: the game stays a Wayland client there. The help stays
    // above the battlefield while it is open: when a battle starts under it, after clicks on the
    // battlefield, over the start menu after the battle, and a second "Help" brings it up with
    // the keyboard. The battlefield once covered it whole. A window of fixed size offers no
    // maximise, whoever draws the title bar: sway draws none of its own for a window it floats
    // at a fixed size.
    void theHelpStaysAbove() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        Game g;
        ktqt::FormView* menu = shown(g, "frmSplash", false);
        QVERIFY(menu);
        auto& splash = *g.app.loaded<kolvar::frmSplash>();
        QVERIFY(sway->click(menu, middle(splash.Command4)));
        ktqt::FormView* help = shown(g, "Dialog", false);
        QVERIFY(help);
        QVERIFY(QTest::qWaitFor([&] { return sway->above(help, menu); }));

        g.run("click frmSplash Command1");
        ktqt::FormView* field = shown(g, "Form1", false);
        QVERIFY(field);
        QVERIFY(QTest::qWaitFor([&] { return sway->above(help, field); }));
        for (QWidget* v : {static_cast<QWidget*>(help), static_cast<QWidget*>(field)}) {
            QVERIFY(!(v->windowHandle()->flags() & Qt::WindowMaximizeButtonHint));
            QCOMPARE(v->minimumSize(), v->maximumSize());
        }
        const QPoint ground = bare(g, field, help);
        QVERIFY(ground.x() >= 0);
        QVERIFY(sway->click(field, ground));
        QVERIFY(sway->click(field, ground, 3, 2));
        QTest::qWait(300);
        QEXPECT_FAIL("", "sway 1.7 stacks floating windows by focus alone, transients included",
                     Continue);
        QVERIFY(sway->above(help, field));

        g.run("wait 40000"); // Tovo falls, the start menu comes back
        QVERIFY(!g.exists("Form1"));
        menu = shown(g, "frmSplash", false);
        QVERIFY(menu);
        QVERIFY(QTest::qWaitFor([&] { return sway->above(help, menu); }));
        QVERIFY(QTest::qWaitFor(
            [&] { return onScreen(help, QPoint(help->width() - 20, help->height() - 20)); }));
        const QPoint free = bare(g, menu, help);
        QVERIFY(free.x() >= 0);
        QVERIFY(sway->click(menu, free));
        QTRY_VERIFY(sway->focused(menu));
        g.run("click frmSplash Command4");
        QTRY_VERIFY(sway->focused(help));
        QVERIFY(sway->above(help, menu));
        QVERIFY(sway->keys({"Return"})); // the keyboard is the help's: Enter closes it
        QTRY_VERIFY(!g.exists("Dialog"));
    }

    // A box at the end of a battle offers neither maximise nor minimise, stays above the
    // battlefield and keeps the keyboard however the player clicks the battlefield: the click
    // once raised the battlefield over it, Enter then did nothing and the game looked frozen.
    void theBoxKeepsTheKeyboard() {
        Game g;
        ktqt::FormView* field = kolvar::battleShown(g);
        QVERIFY(field);
        bool above = false, focused = false, typed = false;
        Qt::WindowFlags flags;
        const bool closed = kolvar::boxClosedByPlayer(g, [&](QWidget* box) {
            flags = box->windowHandle()->flags();
            if (!QTest::qWaitFor([&] { return sway->focused(box); })) return;
            const QPoint ground = bare(g, field, box);
            sway->click(field, ground);
            sway->click(field, ground, 1, 2);
            QTest::qWait(300);
            above = sway->above(box, field);
            focused = QTest::qWaitFor([&] { return sway->focused(box); }, 2000);
            typed = sway->keys({"Return"});
        });
        QVERIFY2(closed, "Enter closed the box");
        QVERIFY(typed);
        QVERIFY2(above, "the box stayed above the battlefield");
        QVERIFY2(focused, "the box kept the keyboard");
        QVERIFY(!(flags & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    }
};

int main(int argc, char** argv) {
    const int scale = qEnvironmentVariableIntValue("KOLVAR_SCALE");
    kolvar::Sway compositor(scale > 0 ? scale : 1);
    if (!compositor.error().isEmpty()) {
        std::fprintf(stderr, "SKIP: %s\n", qPrintable(compositor.error()));
        return 77;
    }
    sway = &compositor;
    // The platform is the game's choice, as in a sway session, which has an X server beside it.
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("XDG_SESSION_TYPE", "wayland");
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("DISPLAY", ":kolvar-none");
    qunsetenv("QT_SCALE_FACTOR"); // the compositor's scale is the one a player has
    const std::unique_ptr<QApplication> app = kolvar::openDisplay("test_wayland", argc, argv);
    WaylandTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_wayland.moc"
