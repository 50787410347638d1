// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The start menu and the help dialog, as a player uses them.

#include "app/identity.h"
#include "harness.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QIcon>
#include <QTest>

using kolvar::Game;

namespace {
QStringList windows(Game& g) {
    return g.dump()["windows"].toObject().keys();
}
bool visible(Game& g, const QString& w) {
    return g.window(w)["visible"].toBool();
}
} // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    // The game as app/main.cpp starts it: the menu paints first; the window icon and the
    // battlefield's art follow while the player looks at it.
    void theRealStartPaintsTheMenuThenGivesTheIcon() {
        QApplication::setWindowIcon(QIcon());
        kolvar::identify();
        QCOMPARE(QApplication::applicationVersion(), QStringLiteral("1.02.0045"));
        QCOMPARE(QApplication::desktopFileName(), QStringLiteral("org.kolvar.kolvar"));
        kt::Program app{kolvar::identity()};
        ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
        kolvar::start(app, frontend);
        kt::Form* menu = app.formByName("frmSplash");
        QVERIFY(menu && frontend.view(*menu) && frontend.view(*menu)->isVisible());
        QVERIFY(QApplication::windowIcon().isNull());
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::windowIcon().isNull(), 5000);
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(128, 128)));
        QVERIFY(!sizes.contains(QSize(256, 256))); // the theme's; every window would send it
        QCOMPARE(frontend.view(*menu)->windowIcon().availableSizes(), sizes);
    }

    // The menu's labels are set from the program's identity when it loads, again for every new
    // menu, and "gioca" has the focus.
    void theMenuShowsTitleAndVersionNotItsDesignedCaptions() {
        Game g;
        for (int round = 0; round < 2; ++round) {
            QVERIFY(visible(g, "frmSplash"));
            QCOMPARE(g.widget("frmSplash", "lblVersion")["Caption"].toString(),
                     QString("Version 1.2.45"));
            QCOMPARE(g.widget("frmSplash", "lblProductName")["Caption"].toString(),
                     QString("Kolvar"));
            QCOMPARE(g.widget("frmSplash", "lblPlatform")["Caption"].toString() + "/" +
                         g.widget("frmSplash", "lblWarning")["Caption"].toString(),
                     QString(" for pc/VERSIONE ITALIANA DIMOSTRATIVA"));
            auto* menu = g.app.loaded<kolvar::frmSplash>();
            QCOMPARE(menu->focus, static_cast<kt::Widget*>(&menu->Command1));
            // A battle closed at once, and not a tick later, starts the next from scratch.
            g.run("click frmSplash Command1\nwait 3000\nclose Form1");
            QVERIFY(!g.exists("Form1"));
            QVERIFY(g.dump()["messages"].toArray().isEmpty());
        }
        g.run("click frmSplash Command1\nwait 100");
        QCOMPARE(g.state()["clock"].toInt(), 1);
        QCOMPARE(g.state()["yen"].toInt(), 2001);
    }

    // A key or a press on the menu frame, outside its labels, starts a battle.
    void keysAndPressesOnTheMenu_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("starts");
        for (int code : {13, 32, int('k'), int('7'), 27, 8})
            QTest::addRow("key %d", code) << QString("key frmSplash %1").arg(code) << true;
        // Form coordinates: the frame lies at 120, 60 and its labels inside it.
        const auto press = [](int x, int y) {
            return QString("press frmSplash %1 %2").arg(x).arg(y);
        };
        QTest::newRow("free area") << press(600, 600) << true;
        QTest::newRow("title label") << press(1640, 1580) << false;
        QTest::newRow("maker label") << press(2575, 880) << false;
        QTest::newRow("author label") << press(5620, 3760) << false;
        QTest::newRow("warning label") << press(460, 3830) << false;
        QTest::newRow("gioca") << press(1180, 2560) << true;
        QTest::newRow("outside the frame") << press(30, 30) << false;
    }
    void keysAndPressesOnTheMenu() {
        QFETCH(QString, line);
        QFETCH(bool, starts);
        Game g;
        g.run(line.toStdString());
        QCOMPARE(g.exists("Form1"), starts);
        QCOMPARE(g.exists("frmSplash"), !starts);
        if (starts) QCOMPARE(g.state()["yen"].toInt(), 2000); // set up once, no tick yet
    }

    void helpStaysOpenOverABattleAndItsOkBringsTheMenuBack() {
        Game g;
        // With the menu open, OK or the close box only closes the help.
        g.run("click frmSplash Command4\nclick Dialog OKButton");
        QCOMPARE(windows(g), QStringList{"frmSplash"});
        g.run("click frmSplash Command4\nclose Dialog");
        QCOMPARE(windows(g), QStringList{"frmSplash"});
        g.run("click frmSplash Command4\nclick frmSplash Command4"); // the same dialog again
        QCOMPARE(windows(g), (QStringList{"Dialog", "frmSplash"}));
        QCOMPARE(g.window("Dialog")["Caption"].toString(), QString("Dialog Caption"));
        const QString help = g.widget("Dialog", "Label1")["Caption"].toString();
        QVERIFY(help.startsWith("Per giocare usare il mouse.  Per creare nouvi"));
        QVERIFY(help.contains("-dek mova-"));
        g.run("click frmSplash Command1\nwait 1000");
        QVERIFY(!g.exists("frmSplash"));
        QVERIFY(visible(g, "Dialog"));
        const int clock = g.state()["clock"].toInt();
        g.run("click Dialog OKButton");
        QVERIFY(!g.exists("Dialog"));
        QVERIFY(visible(g, "frmSplash"));
        QVERIFY(visible(g, "Form1"));
        // "gioca" now only brings the running battle to view: no second set-up.
        g.run("wait 500\nclick frmSplash Command1");
        QCOMPARE(g.state()["clock"].toInt(), clock + 5);
        QVERIFY(!g.exists("frmSplash"));
    }

    void theBrowsersCloseBoxBringsTheMenuBackAndEsciEndsEverything() {
        Game g;
        g.run("click frmSplash Command3");
        QCOMPARE(g.window("brow")["Caption"].toString(), QString("Form2"));
        g.run("close brow");
        QCOMPARE(windows(g), QStringList{"frmSplash"});
        g.run("click frmSplash Command4\nclick frmSplash Command3\nclick frmSplash command2");
        QVERIFY(g.dump()["ended"].toBool());
        QVERIFY(windows(g).isEmpty());
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
