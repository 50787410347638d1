// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The player's economy, end to end: training at the main building (the panel, the queue by
// button and modifier, the training clock and its bar, the kind trained next, where new units
// stand, and that a unit is paid for when it is finished), the income and the money display,
// mines at the selected unit's feet, and the building's evolutions, which cost more each time
// and halve the training tick. Played through script lines on the virtual clock and read back
// from the dump.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QPushButton>
#include <QTest>
#include <string>

using namespace kolvar;

namespace {

const QString refused = "Unit impossible to do  commander";

/// A press with any button and modifiers on a training button, open panel or not.
std::string pressTrainingButton(int kind, int button = 1, int shift = 0) {
    return "down Form1 Command1(" + std::to_string(kind) + ") " + std::to_string(button) + " " +
           std::to_string(shift) + " 10 10";
}

QString count(int n) {
    return " " + QString::number(n);
}

QString xy(double x, double y) {
    return number(x) + "," + number(y);
}

} // namespace

class TrainingTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Training ------------------------------------------------------------------------------

    void theBuildingOpensTheTrainingPanel() {
        Game g;
        g.battle();
        QVERIFY(!shown(g, "Frame1"));
        g.run(pressBuilding);
        QVERIFY(shown(g, "Frame1"));
        QVERIFY(shown(g, "evo"));
        // Selecting a unit closes the panel; pressing the building again shows every button.
        g.run("click Form1 ima(0)");
        QVERIFY(!shown(g, "Frame1"));
        g.run(pressBuilding);
        for (int k = 0; k <= 6; ++k) QVERIFY(shown(g, QStringLiteral("Command1(%1)").arg(k)));
    }

    void aUnitIsPaidForWhenFinished_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("ms");    // when the unit is finished
        QTest::addColumn<int>("money"); // at that moment, that instant's income included
        QTest::addColumn<int>("left");  // after it; the money unchanged when it is refused
        QTest::addColumn<int>("life");  // 0: refused
        // Money equal to the price is not enough.
        QTest::newRow("kind 0, money equal to the price") << 0 << 750 << 15 << 15 << 0;
        QTest::newRow("kind 0, one more than the price") << 0 << 750 << 16 << 1 << 30;
        QTest::newRow("kind 1") << 1 << 900 << 21 << 1 << 30;
        QTest::newRow("kind 2") << 2 << 750 << 21 << 1 << 30;
        QTest::newRow("kind 3") << 3 << 1000 << 11 << 1 << 30;
        QTest::newRow("kind 4, money equal to the price") << 4 << 500 << 70 << 70 << 0;
        QTest::newRow("kind 4, one more than the price") << 4 << 500 << 71 << 1 << 30;
        QTest::newRow("kind 5") << 5 << 350 << 31 << 1 << 30;
        QTest::newRow("kind 6, a builder") << 6 << 250 << 6 << 1 << 50;
        QTest::newRow("kind 6 ordered in debt") << 6 << 250 << 0 << 0 << 0;
    }
    void aUnitIsPaidForWhenFinished() {
        QFETCH(int, kind);
        QFETCH(int, ms);
        QFETCH(int, money);
        QFETCH(int, left);
        QFETCH(int, life);
        Game g;
        Form1& f = g.battle();
        f.yen = int16_t(money - ms / 100);
        g.run(order(kind, 1)); // queueing never looks at the money
        QCOMPARE(queued(g, kind), 1);
        g.run("wait " + std::to_string(ms - 1));
        QCOMPARE(state(g, "c"), 0);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), life ? 1 : 0);
        QCOMPARE(state(g, "yen"), left);
        QCOMPARE(caption(g, "news"), life ? QString() : refused);
        QCOMPARE(shown(g, "ima(1)"), life > 0);
        if (life) {
            QCOMPARE(unit(g, 1)["kind"].toInt(), kind);
            QCOMPARE(unit(g, 1)["hp"].toInt(), life);
        }
        // Made or not, the unit has left the queue and training has stopped.
        QCOMPARE(queued(g, kind), 0);
        QCOMPARE(caption(g, mk(kind)), QString(" 0"));
        QCOMPARE(state(g, "cur"), 255);
        QVERIFY(!makeOn(g));
    }

    void aPressQueuesByButtonAndModifier_data() {
        QTest::addColumn<int>("before"); // queued by plain presses
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("after");
        QTest::newRow("plain") << 0 << 1 << 0 << 1;
        QTest::newRow("Shift") << 0 << 1 << 1 << 5;
        QTest::newRow("Ctrl") << 0 << 1 << 2 << 10;
        QTest::newRow("Shift+Ctrl on 3 queued") << 3 << 1 << 3 << 23;
        QTest::newRow("Alt+Shift") << 0 << 1 << 5 << 1;
        QTest::newRow("Alt+Ctrl") << 0 << 1 << 6 << 1;
        QTest::newRow("Alt+Shift+Ctrl") << 0 << 1 << 7 << 1;
        QTest::newRow("middle button") << 0 << 4 << 1 << 0;
        QTest::newRow("right button on nothing queued") << 0 << 2 << 0 << 0;
        // A right press never takes the last unit of a kind.
        QTest::newRow("right, Shift on 5 queued: nothing") << 5 << 2 << 1 << 5;
        QTest::newRow("right, Shift on 6 queued: one left") << 6 << 2 << 1 << 1;
        QTest::newRow("right, plain on 1 queued: nothing") << 1 << 2 << 0 << 1;
        QTest::newRow("right, plain on 2 queued") << 2 << 2 << 0 << 1;
        QTest::newRow("right, Ctrl on 11 queued") << 11 << 2 << 2 << 1;
        QTest::newRow("right, Shift+Ctrl on 30 queued") << 30 << 2 << 3 << 10;
        QTest::newRow("right, Alt+Shift takes one") << 6 << 2 << 5 << 5;
    }
    void aPressQueuesByButtonAndModifier() {
        QFETCH(int, before);
        QFETCH(int, button);
        QFETCH(int, shift);
        QFETCH(int, after);
        Game g;
        g.battle();
        g.run(order(3, before) + pressTrainingButton(3, button, shift));
        QCOMPARE(queued(g, 3), after);
        // A count that never changed keeps its designed "0"; a rewritten one has the blank.
        QCOMPARE(caption(g, mk(3)), after ? count(after) : QString("0"));
        QCOMPARE(state(g, "cur"), after ? 3 : 255);
        QCOMPARE(makeOn(g), after > 0);
    }

    void theNextKindIsTheHighestQueued_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("behind"); // ordered one by one while `first` trains
        QTest::addColumn<QList<int>>("made");   // kinds of units 1, 2, ... in training order
        QTest::newRow("kind 5 waits for every kind 1")
            << 1 << 3 << QList<int>{5, 5} << QList<int>{1, 1, 1, 5, 5};
        QTest::newRow("kinds 1 then 3 behind kind 0")
            << 0 << 1 << QList<int>{1, 3} << QList<int>{0, 3, 1};
        QTest::newRow("lower kinds behind the builder")
            << 6 << 2 << QList<int>{0, 4, 0} << QList<int>{6, 6, 4, 0, 0};
    }
    void theNextKindIsTheHighestQueued() {
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(QList<int>, behind);
        QFETCH(QList<int>, made);
        Game g;
        g.battle();
        g.run(order(first, count) + "wait 20");
        for (int k : behind) g.run(order(k, 1));
        QCOMPARE(state(g, "cur"), first); // a kind in training is never replaced
        g.run("wait 8000");
        QList<int> kinds;
        for (int i = 1; i <= state(g, "c"); ++i) kinds << unit(g, i)["kind"].toInt();
        QCOMPARE(kinds, made);
    }

    void unitsStandInRowsOfFifteen_data() {
        QTest::addColumn<int>("number"); // the unit's place in the battle's training order
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("place");
        QTest::addColumn<int>("width");
        QTest::newRow("first") << 1 << 0 << "2940,3000" << 350;
        QTest::newRow("fifteenth") << 15 << 2 << "11340,3000" << 350;
        QTest::newRow("sixteenth") << 16 << 0 << "2940,3500" << 350;
        QTest::newRow("thirty-first") << 31 << 0 << "2600,4000" << 350;
        QTest::newRow("eightieth, a builder, the last") << 80 << 6 << "5000,5500" << 350;
        // The tank keeps the width of its picture, 50 pixels.
        QTest::newRow("a tank first") << 1 << 4 << "2940,3000" << 750;
    }
    void unitsStandInRowsOfFifteen() {
        QFETCH(int, number);
        QFETCH(int, kind);
        QFETCH(QString, place);
        QFETCH(int, width);
        Game g;
        g.battle();
        // Builders (250 ms each) fill the slots before; then the unit of the row's kind, and
        // behind the eightieth one more, which is refused.
        g.run(order(6, number - 1) + order(kind, 1) + order(6, number / 80) + "wait 22000");
        QCOMPARE(state(g, "c"), number);
        QVERIFY(!hasWidget(g, "ima(81)"));
        QCOMPARE(caption(g, "news"), number == 80 ? refused : QString(" lo scudo ha ceduto"));
        const QString im = QStringLiteral("ima(%1)").arg(number);
        QVERIFY(shown(g, im));
        QCOMPARE(picture(g, im), QStringLiteral("front_%1").arg(kind));
        QCOMPARE(at(widget(g, im)), place);
        QCOMPARE(prop(g, im, "Width"), double(width));
        // The record stands where the image is, going nowhere.
        QCOMPARE(pos(unit(g, number)), place);
        QCOMPARE(dest(unit(g, number)), place);
        QCOMPARE(unit(g, number)["alive"].toInt(), -1);
    }

    void queueCountsStopAt255() {
        Game g;
        g.battle();
        for (int i = 0; i < 13; ++i) g.run(pressTrainingButton(1, 1, 3));
        QCOMPARE(queued(g, 1), 255);
        g.run(pressTrainingButton(1));
        QCOMPARE(caption(g, mk(1)), QString(" 255"));
        g.run(pressTrainingButton(1, 2) + "\nwait 900"); // one taken back, one trained
        QCOMPARE(state(g, "c"), 1);
        QCOMPARE(queued(g, 1), 253);
        QCOMPARE(caption(g, mk(1)), QString(" 253"));
    }

    void theBarFillsAndStaysFullUntilTheNextUnit() {
        Game g;
        g.battle();
        QCOMPARE(ends(widget(g, "done")), QString("120,1320 2760,1320"));
        // A yellow bar over a red one.
        QCOMPARE(look(widget(g, "qnty")).section(' ', 0, 0), QString("255,0,0"));
        QCOMPARE(look(widget(g, "done")).section(' ', 0, 0), QString("255,255,0"));
        g.run(order(0, 1) + "wait 50");
        QCOMPARE(prop(g, "done", "X2"), 296.0); // 120 + 2640 / 15
        // A further order between two ticks does not put the training clock back.
        g.run("wait 25\n" + order(0, 1) + "wait 25");
        QCOMPARE(prop(g, "done", "X2"), 472.0);
        g.run("wait 600");
        QCOMPARE(prop(g, "done", "X2"), 2584.0); // 14 of 15
        // Full on the finishing tick; the next unit starts from the left on its first tick.
        g.run("wait 50");
        QCOMPARE(state(g, "c"), 1);
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        g.run("wait 50");
        QCOMPARE(prop(g, "done", "X2"), 296.0);
        // Left full once nothing is queued.
        g.run("wait 1700");
        QCOMPARE(state(g, "c"), 2);
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        QVERIFY(!makeOn(g));
        // A new order: the bar starts again from the left on its first tick.
        g.run(order(5, 1) + "wait 50");
        QCOMPARE(prop(g, "done", "X2"), double(120.0f + 2640.0f / 7.0f));
    }

    void aTrainingButtonActivatedFromTheKeyboardQueuesNothing() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        // A Click without a mouse press, as Space or Enter on a focused button gives.
        for (int k = 0; k <= 6; ++k) g.run("click Form1 Command1(" + std::to_string(k) + ")");
        for (int k = 0; k <= 6; ++k) QCOMPARE(queued(g, k), 0);
        // The same through the window: Space on the native button of Command1(0) (8, 16 pixels
        // inside the panel, 33 x 25) clicks it; a mouse press on it queues.
        QPushButton* button = nullptr;
        for (QPushButton* b : g.frontend->view(f)->findChildren<QPushButton*>())
            if (b->geometry() == QRect(8, 16, 33, 25)) button = b;
        QVERIFY(button);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(queued(g, 0), 0);
        QCOMPARE(caption(g, mk(0)), QString("0"));
        QVERIFY(!makeOn(g));
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
        QCOMPARE(queued(g, 0), 5);
        QVERIFY(makeOn(g));
    }

    // ---- Income and the money display ----------------------------------------------------------

    void incomeAndMoneyDisplay_data() {
        QTest::addColumn<int>("yen");
        QTest::addColumn<int>("er");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("display");
        QTest::newRow("the battle's start") << 0 << 0 << 1 << " 2001000 euri";
        QTest::newRow("one mine built") << 2000 << 2 << 3 << " 2006000 euri";
        QTest::newRow("in debt") << -51 << 1 << 1 << "-50000 euri";
        QTest::newRow("out of debt to zero") << -1 << 1 << 1 << " 0000 euri";
        QTest::newRow("held at the top") << 32700 << 255 << 2 << " 32767000 euri";
    }
    void incomeAndMoneyDisplay() {
        QFETCH(int, yen);
        QFETCH(int, er);
        QFETCH(int, ticks);
        QFETCH(QString, display);
        Game g;
        Form1& f = g.battle();
        QCOMPARE(caption(g, "Label1"), QString("Label1")); // until the first tick
        if (er) f.yen = int16_t(yen), f.er = uint8_t(er);  // else as the set-up left them
        g.run("wait " + std::to_string(100 * ticks));
        QCOMPARE(caption(g, "Label1"), display);
    }

    // ---- Mines ---------------------------------------------------------------------------------

    void aMineIsBuiltWhateverTheMoney_data() {
        QTest::addColumn<int>("money");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("under"); // the unit selected when the mine button is pressed
        QTest::newRow("2000") << 2000 << 1900 << 1;
        QTest::newRow("50 goes into debt") << 50 << -50 << 1;
        QTest::newRow("near the bottom of the range") << -32700 << -32768 << 1;
        // Selecting the commander leaves the panel open where the builder stood.
        QTest::newRow("under the commander") << 2000 << 1900 << 0;
    }
    void aMineIsBuiltWhateverTheMoney() {
        QFETCH(int, money);
        QFETCH(int, left);
        QFETCH(int, under);
        Game g;
        Form1& f = g.battle();
        trainBuilder(g); // at 250 ms
        QCOMPARE(at(widget(g, "build")), xy(2940, 3000 + prop(g, "ima(1)", "Height")));
        f.yen = int16_t(money);
        const QString im = QStringLiteral("ima(%1)").arg(under);
        g.run("click Form1 " + im.toStdString() + "\n" + pressMine(g));
        QCOMPARE(state(g, "yen"), left);
        // The first mine built is element 2, at the unit's feet; the panel closes.
        QVERIFY(!hasWidget(g, "Image3(1)"));
        QVERIFY(shown(g, "Image3(2)"));
        QCOMPARE(picture(g, "Image3(2)"), picture(g, "Image3(0)"));
        QCOMPARE(at(widget(g, "Image3(2)")), xy(prop(g, im, "Left"), 3000 + prop(g, im, "Height")));
        QVERIFY(!shown(g, "build"));
        // The income is now 2 a tick.
        g.run("wait 100");
        QCOMPARE(state(g, "yen"), left + 2);
    }

    void noMineOnceTheIncomeIs255() {
        Game g;
        Form1& f = g.battle();
        trainBuilder(g);
        f.er = 254;
        const int yen = state(g, "yen");
        const std::string again = "click Form1 ima(1)\n" + pressMine(g); // the builder stays put
        g.run(again);
        QCOMPARE(state(g, "er"), 255);
        QVERIFY(shown(g, "Image3(255)"));
        g.run(again);
        QCOMPARE(state(g, "er"), 255);
        QVERIFY(!hasWidget(g, "Image3(256)"));
        QCOMPARE(state(g, "yen"), yen - 100);
    }

    // ---- Evolution -----------------------------------------------------------------------------

    void eachEvolutionCostsMoreAndHalvesTheTrainingTick_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("interval"); // of make, ms
        QTest::addColumn<int>("money");    // left of the starting 2000
        QTest::newRow("first") << 1 << 25 << 1500;
        QTest::newRow("second: 12.5 rounds to 12") << 2 << 12 << 500;
        QTest::newRow("fifth: 1.5 rounds to 2") << 5 << 2 << -5500;
        QTest::newRow("seventh: never below 1") << 7 << 1 << -12000;
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
        QCOMPARE(state(g, "yen"), money);
        QCOMPARE(g.widget("Form1", "make")["Interval"].toInt(), interval);
        QCOMPARE(picture(g, "Image2"), QString("front_30"));
    }

    void anEvolutionKeepsTheTicksSpentOnAUnit() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        for (int i = 0; i < 8; ++i) g.run(pressEvolve);
        f.yen = 5000; // the evolutions left a debt that would refuse every unit
        g.run(order(3, 1) + "wait 10");
        QCOMPARE(state(g, "prog"), 10);
        g.run(pressEvolve + std::string("\nwait 9"));
        QCOMPARE(state(g, "c"), 0);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), 1);
    }

    void noEvolutionOnceItsPriceWouldPassTheMoneyRange() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        for (int i = 0; i < 64; ++i) g.run(pressEvolve);
        QCOMPARE(state(g, "yen"), -32768); // the debt stops at the bottom of the range
        f.yen = 32767;
        g.run(pressEvolve); // the 65th costs 32500, which still fits
        QCOMPARE(state(g, "evol"), 65);
        QCOMPARE(state(g, "yen"), 267);
        g.run(pressEvolve); // the 66th would cost 33000
        QCOMPARE(state(g, "evol"), 65);
        QCOMPARE(state(g, "yen"), 267);
    }
};

QTEST_MAIN(TrainingTest)
#include "test_training.moc"
