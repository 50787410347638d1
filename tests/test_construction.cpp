// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the player builds and what it brings in, end to end: the income and the money display,
// mines at the selected unit's feet, and the building's evolutions, which cost more each time
// and halve the training tick; played through script lines on the virtual clock and read back
// from the dump.

#include "harness.h"
#include "toolkit/numbers.h"

#include <QTest>
#include <cstdint>
#include <string>

using namespace kolvar;

class ConstructionTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Income and the money display ----------------------------------------------------------

    void incomeAndMoneyDisplay_data() {
        QTest::addColumn<int>("yen");
        QTest::addColumn<int>("er");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("display");
        QTest::newRow("first tick") << 2000 << 1 << 1 << 2001 << " 2001000 euri";
        QTest::newRow("one mine built") << 2000 << 2 << 3 << 2006 << " 2006000 euri";
        QTest::newRow("in debt") << -51 << 1 << 1 << -50 << "-50000 euri";
        QTest::newRow("out of debt to zero") << -1 << 1 << 1 << 0 << " 0000 euri";
        QTest::newRow("held at the top") << 32700 << 255 << 2 << 32767 << " 32767000 euri";
    }
    void incomeAndMoneyDisplay() {
        QFETCH(int, yen);
        QFETCH(int, er);
        QFETCH(int, ticks);
        QFETCH(int, after);
        QFETCH(QString, display);
        Game g;
        Form1& f = g.battle();
        QCOMPARE(caption(g, "Label1"), QString("Label1")); // until the first tick
        f.yen = int16_t(yen);
        f.er = uint8_t(er);
        g.run("wait " + std::to_string(100 * ticks));
        QCOMPARE(int(f.yen), after);
        QCOMPARE(caption(g, "Label1"), display);
    }

    void theIncomeStopsAtTheTopOfTheMoneyRange() {
        Game g;
        Form1& f = g.battle();
        trainBuilder(g); // at 250 ms
        g.run(pressMine(g));
        f.yen = 32766;
        g.run("wait 100");
        QCOMPARE(state(g, "yen"), 32767);
        QCOMPARE(caption(g, "Label1"), QString(" 32767000 euri"));
        g.run("wait 100");
        QCOMPARE(state(g, "yen"), 32767);
    }

    // ---- Mines ---------------------------------------------------------------------------------

    void aMineIsBuiltWhateverTheMoney_data() {
        QTest::addColumn<int>("money");
        QTest::addColumn<int>("left");
        QTest::newRow("2000") << 2000 << 1900;
        QTest::newRow("50 goes into debt") << 50 << -50;
        QTest::newRow("near the bottom of the range") << -32700 << -32768;
    }
    void aMineIsBuiltWhateverTheMoney() {
        QFETCH(int, money);
        QFETCH(int, left);
        Game g;
        Form1& f = g.battle();
        trainBuilder(g); // at 250 ms
        QVERIFY(shown(g, "build"));
        QCOMPARE(prop(g, "build", "Left"), 2940.0);
        const double foot = 3000 + prop(g, "ima(1)", "Height");
        QCOMPARE(prop(g, "build", "Top"), foot);
        f.yen = int16_t(money);
        g.run(pressMine(g));
        QCOMPARE(state(g, "er"), 2);
        QCOMPARE(state(g, "yen"), left);
        // The first mine built is element 2, at the builder's feet; the panel closes.
        QVERIFY(!hasWidget(g, "Image3(1)"));
        QVERIFY(shown(g, "Image3(2)"));
        QCOMPARE(picture(g, "Image3(2)"), picture(g, "Image3(0)"));
        QCOMPARE(prop(g, "Image3(2)", "Left"), 2940.0);
        QCOMPARE(prop(g, "Image3(2)", "Top"), foot);
        QVERIFY(!shown(g, "build"));
        // The income is now 2 a tick.
        g.run("wait 100");
        QCOMPARE(state(g, "yen"), left + 2);
        QCOMPARE(caption(g, "Label1"), QString::fromStdString(kt::str(left + 2) + "000 euri"));
    }

    void aMineGoesUnderTheUnitSelectedWhenPressed() {
        Game g;
        g.battle();
        trainBuilder(g);
        const double builderFoot = prop(g, "build", "Top");
        // Selecting the commander leaves the panel open where the builder stood.
        g.run("click Form1 ima(0)");
        QVERIFY(shown(g, "build"));
        QCOMPARE(prop(g, "build", "Left"), 2940.0);
        const int yen = state(g, "yen");
        g.run(pressMine(g));
        QCOMPARE(state(g, "er"), 2);
        QCOMPARE(prop(g, "Image3(2)", "Left"), 960.0);
        QCOMPARE(prop(g, "Image3(2)", "Top"), 3000 + prop(g, "ima(0)", "Height"));
        QVERIFY(!shown(g, "build"));
        // A further mine needs the builder again.
        g.run("click Form1 ima(1)");
        QVERIFY(shown(g, "build"));
        g.run(pressMine(g));
        QCOMPARE(state(g, "er"), 3);
        QCOMPARE(prop(g, "Image3(3)", "Left"), 2940.0);
        QCOMPARE(prop(g, "Image3(3)", "Top"), builderFoot);
        QCOMPARE(state(g, "yen"), yen - 200);
    }

    void noMineOnceTheIncomeIs255() {
        Game g;
        g.battle();
        trainBuilder(g);
        const int yen = state(g, "yen");
        const std::string again = "click Form1 ima(1)\n" + pressMine(g); // the builder stays put
        for (int i = 0; i < 254; ++i) g.run(again);
        QCOMPARE(state(g, "er"), 255);
        QVERIFY(shown(g, "Image3(255)"));
        QCOMPARE(state(g, "yen"), yen - 25400);
        g.run(again);
        QCOMPARE(state(g, "er"), 255);
        QVERIFY(!hasWidget(g, "Image3(256)"));
        QCOMPARE(state(g, "yen"), yen - 25400);
        g.run("wait 100");
        QCOMPARE(state(g, "yen"), yen - 25400 + 255);
    }

    // ---- Evolution -----------------------------------------------------------------------------

    void eachEvolutionCostsMoreAndHalvesTheTrainingTick_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("interval"); // of make, ms
        QTest::addColumn<int>("money");    // left of the starting 2000
        QTest::newRow("first") << 1 << 25 << 1500;
        QTest::newRow("second") << 2 << 12 << 500;
        QTest::newRow("third") << 3 << 6 << -1000;
        QTest::newRow("fourth") << 4 << 3 << -3000;
        QTest::newRow("fifth: 1.5 rounds to 2") << 5 << 2 << -5500;
        QTest::newRow("sixth") << 6 << 1 << -8500;
        QTest::newRow("seventh: never below 1") << 7 << 1 << -12000;
        QTest::newRow("eighth") << 8 << 1 << -16000;
    }
    void eachEvolutionCostsMoreAndHalvesTheTrainingTick() {
        QFETCH(int, level);
        QFETCH(int, interval);
        QFETCH(int, money);
        Game g;
        g.battle();
        QCOMPARE(picture(g, "Image2"), QString("image2"));
        g.run(pressBuilding);
        for (int i = 0; i < level; ++i) g.run(pressEvolve); // all at 0 ms: no income between
        QCOMPARE(state(g, "evol"), level);
        QCOMPARE(state(g, "yen"), money);
        QCOMPARE(g.widget("Form1", "make")["Interval"].toInt(), interval);
        QCOMPARE(picture(g, "Image2"), QString("front_30"));
    }

    void trainingGoesOnAfterEightEvolutions() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        for (int i = 0; i < 8; ++i) g.run(pressEvolve);
        QCOMPARE(f.make.interval(), 1);
        f.yen = 5000; // the evolutions left a debt that would refuse every unit
        g.run(order(0, 3));
        g.run("wait 44"); // 15 ticks of 1 ms a unit
        QCOMPARE(state(g, "c"), 2);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), 3);
        QCOMPARE(state(g, "yen"), 5000 - 45);
        QCOMPARE(state(g, "cur"), 255);
        QVERIFY(!makeOn(g));
        // An evolution in the middle of a unit keeps the ticks already spent on it.
        g.run(order(3, 1) + "wait 10");
        QCOMPARE(state(g, "prog"), 10);
        g.run(pressEvolve + std::string("\nwait 9"));
        QCOMPARE(state(g, "c"), 3);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), 4);
        QCOMPARE(unit(g, 4)["kind"].toInt(), 3);
    }

    void noEvolutionOnceItsPriceWouldPassTheMoneyRange() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        for (int i = 0; i < 64; ++i) g.run(pressEvolve);
        QCOMPARE(state(g, "yen"), -32768); // the debt stops at the bottom of the range
        g.wait(100);                       // the tick adds the income before it shows the money
        QCOMPARE(caption(g, "Label1"), QString("-32767000 euri"));
        f.yen = 32767;
        g.run(pressEvolve); // the 65th costs 32500, which still fits
        QCOMPARE(state(g, "evol"), 65);
        QCOMPARE(state(g, "yen"), 267);
        f.yen = 0;
        g.run(pressEvolve); // the 66th would cost 33000
        QCOMPARE(state(g, "evol"), 65);
        QCOMPARE(state(g, "yen"), 0);
        QCOMPARE(f.make.interval(), 1);
    }
};

QTEST_MAIN(ConstructionTest)
#include "test_construction.moc"
