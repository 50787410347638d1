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
        QString labels = "frmSplash.visible";
        for (const char* l : {"lblVersion", "lblProductName", "lblPlatform", "lblWarning"})
            labels += QString(" frmSplash.widgets.%1.Caption").arg(l);
        for (int round = 0; round < 2; ++round) {
            CHECK_FIELDS(g, labels,
                         "true 'Version 1.2.45' Kolvar ' for pc' 'VERSIONE ITALIANA DIMOSTRATIVA'");
            auto* menu = g.app.loaded<kolvar::frmSplash>();
            QCOMPARE(menu->focus, static_cast<kt::Widget*>(&menu->Command1));
            // A battle closed at once, and not a tick later, starts the next from scratch.
            g.run("click frmSplash Command1\nwait 3000\nclose Form1");
            CHECK_FIELDS(g, "Form1 messages", "none []");
        }
        g.run("click frmSplash Command1\nwait 100");
        CHECK_FIELDS(g, "clock yen", "1 2001");
    }

    // A key or a press on the menu frame, outside its labels, starts a battle set up once, with
    // no tick yet. Form coordinates: the frame lies at 120, 60 and its labels inside it.
    void keysAndPressesOnTheMenu() {
        const std::pair<const char*, bool> lines[] = {
            {"key frmSplash 13", true},           {"key frmSplash 32", true},
            {"key frmSplash 107", true},          {"key frmSplash 55", true},
            {"key frmSplash 27", true},           {"key frmSplash 8", true},
            {"press frmSplash 600 600", true},    {"press frmSplash 1180 2560", true}, // gioca
            {"press frmSplash 1640 1580", false}, // the labels: title, maker, author, warning
            {"press frmSplash 2575 880", false},  {"press frmSplash 5620 3760", false},
            {"press frmSplash 460 3830", false},  {"press frmSplash 30 30", false}, // outside
        };
        for (const auto& [line, starts] : lines) {
            Game g;
            g.run(line);
            QVERIFY2(g.exists("Form1") == starts && g.exists("frmSplash") != starts, line);
            if (starts) QVERIFY2(g.state()["yen"].toInt() == 2000, line);
        }
    }

    void theHelpAndTheBrowsersCloseBoxBringTheMenuBack() {
        Game g;
        // With the menu open, OK or the close box only closes the help.
        for (const char* closing : {"click Dialog OKButton", "close Dialog"}) {
            g.run(std::string("click frmSplash Command4\n") + closing);
            QCOMPARE(windows(g), QStringList{"frmSplash"});
        }
        g.run("click frmSplash Command4\nclick frmSplash Command4"); // the same dialog again
        QCOMPARE(windows(g), (QStringList{"Dialog", "frmSplash"}));
        const QString help = g.widget("Dialog", "Label1")["Caption"].toString();
        QVERIFY(help.startsWith("Per giocare usare il mouse.  Per creare nouvi"));
        QVERIFY(help.contains("-dek mova-"));
        // The browser's close box brings the menu back, and "esci" ends everything.
        g.run("click Dialog OKButton\nclick frmSplash Command3");
        QCOMPARE(g.window("brow")["Caption"].toString(), QString("Form2"));
        g.run("close brow");
        QCOMPARE(windows(g), QStringList{"frmSplash"});
        g.run("click frmSplash Command4\nclick frmSplash Command3\nclick frmSplash command2");
        QVERIFY(g.dump()["ended"].toBool() && windows(g).isEmpty());
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
