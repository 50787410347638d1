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

const char* const refused = "'Unit impossible to do  commander'";

/// A press with any button and modifiers on a training button, open panel or not.
std::string pressTrainingButton(int kind, int button = 1, int shift = 0) {
    return "down Form1 Command1(" + std::to_string(kind) + ") " + std::to_string(button) + " " +
           std::to_string(shift) + " 10 10";
}

} // namespace

class TrainingTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Training ------------------------------------------------------------------------------

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
        g.battle().yen = int16_t(money - ms / 100);
        const QString queue = QString("queue[%1]").arg(kind);
        g.run(order(kind, 1)); // queueing never looks at the money
        CHECK_FIELDS(g, queue, "1");
        g.run("wait " + std::to_string(ms - 1));
        CHECK_FIELDS(g, "c", "0");
        // Made or not, the unit has left the queue and training has stopped.
        g.run("wait 1");
        CHECK_FIELDS(g,
                     "c yen news.Caption ima(1).Visible uni[1].kind uni[1].hp cur make.Enabled " +
                         queue + QString(" mk(%1).Caption").arg(kind),
                     QString::asprintf("%d %d %s %s %d %d 255 false 0 ' 0'", life ? 1 : 0, left,
                                       life ? "''" : refused, life ? "true" : "false",
                                       life ? kind : 0, life));
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
        // A count that never changed keeps its designed "0"; a rewritten one has the blank.
        CHECK_FIELDS(g, "queue[3] mk(3).Caption cur make.Enabled",
                     after ? QString("%1 ' %1' 3 true").arg(after) : "0 0 255 false");
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
        CHECK_FIELDS(g, "cur", QString::number(first)); // a kind in training is never replaced
        g.run("wait 8000");
        QString kinds = "c", wanted = QString::number(made.size());
        for (int i = 0; i < made.size(); ++i)
            kinds += QString(" uni[%1].kind").arg(i + 1), wanted += " " + QString::number(made[i]);
        CHECK_FIELDS(g, kinds, wanted);
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
        // The record stands where the image is, going nowhere.
        g.run(order(6, number - 1) + order(kind, 1) + order(6, number / 80) + "wait 22000");
        CHECK_FIELDS(g,
                     QString("c ima(81) news.Caption ima(%1).Visible ima(%1).Picture ima(%1).at "
                             "ima(%1).Width uni[%1].pos uni[%1].dest uni[%1].alive")
                         .arg(number),
                     QString::asprintf("%d none %s true front_%d %s %d %s %s -1", number,
                                       number == 80 ? refused : "' lo scudo ha ceduto'", kind,
                                       qPrintable(place), width, qPrintable(place),
                                       qPrintable(place)));
    }

    void queueCountsStopAt255() {
        Game g;
        g.battle();
        for (int i = 0; i < 13; ++i) g.run(pressTrainingButton(1, 1, 3));
        g.run(pressTrainingButton(1));
        CHECK_FIELDS(g, "queue[1] mk(1).Caption", "255 ' 255'");
        g.run(pressTrainingButton(1, 2) + "\nwait 900"); // one taken back, one trained
        CHECK_FIELDS(g, "c queue[1] mk(1).Caption", "1 253 ' 253'");
    }

    void theBarFillsAndStaysFullUntilTheNextUnit() {
        Game g;
        g.battle();
        // A yellow bar over a red one.
        CHECK_FIELDS(g, "done.ends qnty.look done.look",
                     "'120,1320 2760,1320' '255,0,0 2 1' '255,255,0 2 1'");
        g.run(order(0, 1) + "wait 50");
        CHECK_FIELDS(g, "done.X2", "296"); // 120 + 2640 / 15
        // A further order between two ticks does not put the training clock back.
        g.run("wait 25\n" + order(0, 1) + "wait 25");
        CHECK_FIELDS(g, "done.X2", "472");
        g.run("wait 600");
        CHECK_FIELDS(g, "done.X2", "2584"); // 14 of 15
        // Full on the finishing tick; the next unit starts from the left on its first tick.
        g.run("wait 50");
        CHECK_FIELDS(g, "c done.X2", "1 2760");
        g.run("wait 50");
        CHECK_FIELDS(g, "done.X2", "296");
        // Left full once nothing is queued.
        g.run("wait 1700");
        CHECK_FIELDS(g, "c done.X2 make.Enabled", "2 2760 false");
        // A new order: the bar starts again from the left on its first tick.
        g.run(order(5, 1) + "wait 50");
        CHECK_FIELDS(g, "done.X2", number(120.0f + 2640.0f / 7.0f));
    }

    void thePanelAndAButtonActivatedFromTheKeyboard() {
        Game g;
        Form1& f = g.battle();
        CHECK_FIELDS(g, "Frame1.Visible", "false");
        g.run(pressBuilding);
        CHECK_FIELDS(g, "Frame1.Visible evo.Visible", "true true");
        // Selecting a unit closes the panel; pressing the building again shows every button.
        g.run("click Form1 ima(0)");
        CHECK_FIELDS(g, "Frame1.Visible", "false");
        // A Click without a mouse press, as Space or Enter on a focused button gives.
        g.run(pressBuilding);
        for (int k = 0; k <= 6; ++k) g.run("click Form1 Command1(" + std::to_string(k) + ")");
        CHECK_FIELDS(g,
                     "Command1(0).Visible Command1(1).Visible Command1(2).Visible "
                     "Command1(3).Visible Command1(4).Visible Command1(5).Visible "
                     "Command1(6).Visible queue",
                     "true true true true true true true [0,0,0,0,0,0,0,0,0,0,0]");
        // The same through the window: Space on the native button of Command1(0) (8, 16 pixels
        // inside the panel, 33 x 25) clicks it; a mouse press on it queues.
        QPushButton* button = nullptr;
        for (QPushButton* b : g.frontend->view(f)->findChildren<QPushButton*>())
            if (b->geometry() == QRect(8, 16, 33, 25)) button = b;
        QVERIFY(button);
        QTest::keyClick(button, Qt::Key_Space);
        CHECK_FIELDS(g, "queue[0] mk(0).Caption make.Enabled", "0 0 false");
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
        CHECK_FIELDS(g, "queue[0] make.Enabled", "5 true");
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
        CHECK_FIELDS(g, "Label1.Caption", "Label1");      // until the first tick
        if (er) f.yen = int16_t(yen), f.er = uint8_t(er); // else as the set-up left them
        g.run("wait " + std::to_string(100 * ticks));
        CHECK_FIELDS(g, "Label1.Caption", "'" + display + "'");
    }

    // ---- Mines ---------------------------------------------------------------------------------

    void aMineIsBuiltWhateverTheMoney_data() {
        QTest::addColumn<int>("money");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("under"); // the unit selected when the mine button is pressed
        QTest::addColumn<QString>("feet");
        QTest::newRow("2000") << 2000 << 1900 << 1 << "2940,3375";
        QTest::newRow("50 goes into debt") << 50 << -50 << 1 << "2940,3375";
        QTest::newRow("near the bottom of the range") << -32700 << -32768 << 1 << "2940,3375";
        // Selecting the commander leaves the panel open where the builder stood.
        QTest::newRow("under the commander") << 2000 << 1900 << 0 << "960,3405";
    }
    void aMineIsBuiltWhateverTheMoney() {
        QFETCH(int, money);
        QFETCH(int, left);
        QFETCH(int, under);
        QFETCH(QString, feet);
        Game g;
        Form1& f = g.battle();
        trainBuilder(g); // at 250 ms
        CHECK_FIELDS(g, "build.at", "2940,3375");
        f.yen = int16_t(money);
        g.run("click Form1 ima(" + std::to_string(under) + ")\n" + pressMine(g));
        // The first mine built is element 2, at the unit's feet; the panel closes.
        CHECK_FIELDS(g,
                     "yen Image3(1) Image3(2).Visible Image3(2).Picture Image3(2).at build.Visible",
                     QString("%1 none true image3_0 %2 false").arg(left).arg(feet));
        // The income is now 2 a tick.
        g.run("wait 100");
        CHECK_FIELDS(g, "yen", QString::number(left + 2));
    }

    void noMineOnceTheIncomeIs255() {
        Game g;
        Form1& f = g.battle();
        trainBuilder(g);
        f.er = 254;
        const int yen = f.yen;
        const std::string again = "click Form1 ima(1)\n" + pressMine(g); // the builder stays put
        g.run(again);
        CHECK_FIELDS(g, "er Image3(255).Visible", "255 true");
        g.run(again);
        CHECK_FIELDS(g, "er Image3(256) yen", QString("255 none %1").arg(yen - 100));
    }

    // ---- Evolution -----------------------------------------------------------------------------

    void eachEvolutionCostsMoreAndHalvesTheTrainingTick() {
        Game g;
        Form1& f = g.battle();
        CHECK_FIELDS(g, "Image2.Picture", "image2");
        g.run(pressBuilding);
        // All at 0 ms: no income between. 12.5 rounds to 12, 1.5 to 2, never below 1.
        for (const char* after : {"25 1500", "12 500", "6 -1000", "3 -3000", "2 -5500", "1 -8500",
                                  "1 -12000", "1 -16000"}) {
            g.run(pressEvolve);
            CHECK_FIELDS(g, "make.Interval yen Image2.Picture", after + QString(" front_30"));
        }
        // An evolution keeps the ticks spent on a unit.
        f.yen = 5000; // the evolutions left a debt that would refuse every unit
        g.run(order(3, 1) + "wait 10");
        CHECK_FIELDS(g, "prog", "10");
        g.run(pressEvolve + std::string("\nwait 9"));
        CHECK_FIELDS(g, "c", "0");
        g.run("wait 1");
        CHECK_FIELDS(g, "c", "1");
        // The debt stops at the bottom of the range; no evolution once its price would pass the
        // top of it: the 65th costs 32500, which still fits, the 66th would cost 33000.
        for (int i = 9; i < 64; ++i) g.run(pressEvolve);
        CHECK_FIELDS(g, "evol yen", "64 -32768");
        f.yen = 32767;
        g.run(pressEvolve);
        CHECK_FIELDS(g, "evol yen", "65 267");
        g.run(pressEvolve);
        CHECK_FIELDS(g, "evol yen", "65 267");
    }
};

QTEST_MAIN(TrainingTest)
#include "test_training.moc"
