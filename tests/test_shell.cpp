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
        QCOMPARE(QApplication::applicationName(), QStringLiteral("Kolvar"));
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
        for (int side : {16, 22, 24, 32, 48, 64, 128})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        QVERIFY(!sizes.contains(QSize(256, 256))); // the theme's; every window would send it
        QCOMPARE(frontend.view(*menu)->windowIcon().availableSizes(), sizes);
    }
    void theMenuShowsTitleAndVersionNotItsDesignedCaptions() {
        Game g;
        QVERIFY(visible(g, "frmSplash"));
        QCOMPARE(g.widget("frmSplash", "lblVersion")["Caption"].toString(),
                 QString("Version 1.2.45"));
        QCOMPARE(g.widget("frmSplash", "lblProductName")["Caption"].toString(), QString("Kolvar"));
        QCOMPARE(g.widget("frmSplash", "lblPlatform")["Caption"].toString(), QString(" for pc"));
        QCOMPARE(g.widget("frmSplash", "lblWarning")["Caption"].toString(),
                 QString("VERSIONE ITALIANA DIMOSTRATIVA"));
        auto* menu = g.app.loaded<kolvar::frmSplash>();
        QCOMPARE(menu->focus, static_cast<kt::Widget*>(&menu->Command1));
        // Shown again after a battle, it is a new menu with its labels set again.
        g.run("click frmSplash Command1\nclose Form1");
        QVERIFY(visible(g, "frmSplash"));
        QCOMPARE(g.widget("frmSplash", "lblVersion")["Caption"].toString(),
                 QString("Version 1.2.45"));
    }

    void anyCharacterKeyStartsABattle_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("Enter") << 13;
        QTest::newRow("Space") << 32;
        QTest::newRow("letter") << int('k');
        QTest::newRow("digit") << int('7');
        QTest::newRow("Escape") << 27;
        QTest::newRow("Backspace") << 8;
    }
    void anyCharacterKeyStartsABattle() {
        QFETCH(int, code);
        Game g;
        g.run("key frmSplash " + std::to_string(code));
        QVERIFY(!g.exists("frmSplash"));
        QVERIFY(visible(g, "Form1"));
        QCOMPARE(g.state()["yen"].toInt(), 2000); // set up once, no tick yet
    }

    void clicksOnTheMenuFrame_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("starts");
        // Form coordinates: the frame lies at 120, 60 and its labels inside it.
        QTest::newRow("free area") << 600 << 600 << true;
        QTest::newRow("title label") << 1320 + 120 + 200 << 1320 + 60 + 200 << false;
        QTest::newRow("maker label") << 2355 + 120 + 100 << 720 + 60 + 100 << false;
        QTest::newRow("author label") << 5400 + 120 + 100 << 3600 + 60 + 100 << false;
        QTest::newRow("warning label") << 240 + 120 + 100 << 3720 + 60 + 50 << false;
        QTest::newRow("gioca") << 960 + 120 + 100 << 2400 + 60 + 100 << true;
        QTest::newRow("outside the frame") << 30 << 30 << false;
    }
    void clicksOnTheMenuFrame() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, starts);
        Game g;
        g.run("press frmSplash " + std::to_string(x) + " " + std::to_string(y));
        QCOMPARE(g.exists("Form1"), starts);
        QCOMPARE(g.exists("frmSplash"), !starts);
    }

    void helpStaysOpenOverABattleAndItsOkBringsTheMenuBack() {
        Game g;
        g.run("click frmSplash Command4");
        QVERIFY(visible(g, "Dialog"));
        QVERIFY(visible(g, "frmSplash"));
        QCOMPARE(g.window("Dialog")["Caption"].toString(), QString("Dialog Caption"));
        QVERIFY(g.widget("Dialog", "Label1")["Caption"].toString().startsWith(
            "Per giocare usare il mouse.  Per creare nouvi"));
        QVERIFY(g.widget("Dialog", "Label1")["Caption"].toString().contains("-dek mova-"));
        g.run("click frmSplash Command4"); // a second Help brings up the same dialog
        QCOMPARE(windows(g).count("Dialog"), 1);
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
        QVERIFY(g.state()["clock"].toInt() == clock + 5);
        QVERIFY(!g.exists("frmSplash"));
    }

    void helpOkWithTheMenuOpenOnlyClosesTheHelp() {
        Game g;
        g.run("click frmSplash Command4\nclick Dialog OKButton");
        QVERIFY(!g.exists("Dialog"));
        QVERIFY(visible(g, "frmSplash"));
        QCOMPARE(windows(g), QStringList{"frmSplash"});
        // The help's close box behaves as its OK.
        g.run("click frmSplash Command4\nclose Dialog");
        QCOMPARE(windows(g), QStringList{"frmSplash"});
    }

    void esciEndsEverythingAtOnce() {
        Game g;
        g.run("click frmSplash Command4\nclick frmSplash Command3");
        QVERIFY(visible(g, "brow"));
        g.run("click frmSplash command2");
        QVERIFY(g.dump()["ended"].toBool());
        QVERIFY(windows(g).isEmpty());
    }

    void theBrowserOpensFromTheMenuAndItsCloseBoxBringsTheMenuBack() {
        Game g;
        g.run("click frmSplash Command3");
        QCOMPARE(g.window("brow")["Caption"].toString(), QString("Form2"));
        QVERIFY(visible(g, "frmSplash"));
        g.run("close brow");
        QVERIFY(!g.exists("brow"));
        QVERIFY(visible(g, "frmSplash"));
    }

    void closingTheBattlefieldEndsTheBattleAndBringsTheMenuBack() {
        Game g;
        g.run("click frmSplash Command1\nwait 3000\nclose Form1");
        QVERIFY(!g.exists("Form1"));
        QVERIFY(visible(g, "frmSplash"));
        QVERIFY(g.dump()["messages"].toArray().isEmpty());
        // The next battle starts from scratch.
        g.run("click frmSplash Command1\nwait 100");
        QCOMPARE(g.state()["clock"].toInt(), 1);
        QCOMPARE(g.state()["yen"].toInt(), 2001);
    }

    void typeSendsTheRestOfTheLineBlanksIncluded() {
        Game g;
        g.run("click frmSplash Command1\ntype Form1 cheater  pelmantra gox ");
        QCOMPARE(g.widget("Form1", "cheater")["Text"].toString(), QString(" pelmantra gox "));
    }

    void scriptErrorsNameTheLine() {
        Game g;
        std::ostringstream out, err;
        kolvar::Replay replay(g.app, *g.frontend, out);
        std::istringstream script("dump\n# a comment\nwait 10\nfly me to the moon\ndump\n");
        QCOMPARE(replay.run(script, err), 2);
        QCOMPARE(QString::fromStdString(err.str()), QString("line 4: unknown command 'fly'\n"));
        std::istringstream bad("press frmSplash ten 20\n");
        QCOMPARE(replay.run(bad, err), 2);
        QVERIFY(QString::fromStdString(err.str()).contains("line 1: expected a number for X"));
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
