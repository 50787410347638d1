// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Training at the main building, end to end: the panel, the queue by button and modifier, the
// training clock and its bar, the kind trained next, where new units stand, and that a unit is
// paid for when it is finished; played through script lines on the virtual clock and read back
// from the dump.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QPushButton>
#include <QTest>
#include <cstdint>
#include <random>
#include <string>

using namespace kolvar;

namespace {

const char* const refused = "Unit impossible to do  commander";

// A press on a training button inside the open training panel (Frame1 at 840, 240).
std::string pressTrainingButton(int kind, int button = 1, int shift = 0) {
    static const float left[7] = {120, 720, 1320, 1920, 5520, 4800, 2760};
    return "press Form1 " + num(840 + left[kind] + 100) + " 600 " + std::to_string(button) + " " +
           std::to_string(shift);
}

/// The `make` ticks a unit of each kind takes.
constexpr int tempo[7] = {15, 18, 15, 20, 10, 7, 5};

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
        for (int k = 0; k <= 6; ++k) {
            QVERIFY(shown(g, QStringLiteral("Command1(%1)").arg(k)));
            QCOMPARE(caption(g, mk(k)), QString("0"));
        }
        QVERIFY(shown(g, "evo"));
        // Selecting a unit closes the panel; the seventh button goes with its frame.
        g.run("click Form1 ima(0)");
        QVERIFY(!shown(g, "Frame1"));
        for (int k = 0; k <= 5; ++k) QVERIFY(!shown(g, QStringLiteral("Command1(%1)").arg(k)));
        g.run(pressBuilding);
        QVERIFY(shown(g, "Frame1"));
        for (int k = 0; k <= 6; ++k) QVERIFY(shown(g, QStringLiteral("Command1(%1)").arg(k)));
    }

    void aUnitIsPaidForWhenFinished_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("money");   // at the moment the unit is finished
        QTest::addColumn<int>("incomes"); // Timer2 ticks up to that moment, its own included
        QTest::addColumn<bool>("made");
        // Kind 0 finishes on the 15th tick at 750 ms, after the income of 100..700 ms.
        QTest::newRow("kind 0, money equal to the price") << 0 << 15 << 7 << false;
        QTest::newRow("kind 0, one more than the price") << 0 << 16 << 7 << true;
        // Kind 4 finishes at 500 ms; that instant's income comes first.
        QTest::newRow("kind 4, money equal to the price") << 4 << 70 << 5 << false;
        QTest::newRow("kind 4, one more than the price") << 4 << 71 << 5 << true;
        QTest::newRow("kind 6 ordered in debt") << 6 << 0 << 2 << false;
        QTest::newRow("kind 6 with plenty") << 6 << 2000 << 2 << true;
    }
    void aUnitIsPaidForWhenFinished() {
        QFETCH(int, kind);
        QFETCH(int, money);
        QFETCH(int, incomes);
        QFETCH(bool, made);
        static const int cost[7] = {15, 20, 20, 10, 70, 30, 5};
        Game g;
        Form1& f = g.battle();
        f.yen = int16_t(money - incomes);
        g.run(order(kind, 1)); // queueing never looks at the money
        QCOMPARE(queued(g, kind), 1);
        const int done = 50 * tempo[kind];
        g.run("wait " + std::to_string(done - 1));
        QCOMPARE(state(g, "c"), 0);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), made ? 1 : 0);
        QCOMPARE(state(g, "yen"), made ? money - cost[kind] : money);
        QCOMPARE(caption(g, "news"), made ? QString() : QString(refused));
        QCOMPARE(shown(g, "ima(1)"), made);
        if (made) {
            QCOMPARE(unit(g, 1)["kind"].toInt(), kind);
            QCOMPARE(unit(g, 1)["hp"].toInt(), kind == 6 ? 50 : 30);
        }
        // Made or not, the unit has left the queue and training has stopped.
        QCOMPARE(queued(g, kind), 0);
        QCOMPARE(caption(g, mk(kind)), QString(" 0"));
        QCOMPARE(state(g, "cur"), 255);
        QVERIFY(!makeOn(g));
    }

    void aPressQueuesByButtonAndModifier_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("amount");
        QTest::newRow("plain") << 1 << 0 << 1;
        QTest::newRow("Shift") << 1 << 1 << 5;
        QTest::newRow("Ctrl") << 1 << 2 << 10;
        QTest::newRow("Shift+Ctrl") << 1 << 3 << 20;
        QTest::newRow("Alt") << 1 << 4 << 1;
        QTest::newRow("Alt+Shift") << 1 << 5 << 1;
        QTest::newRow("Alt+Ctrl") << 1 << 6 << 1;
        QTest::newRow("Alt+Shift+Ctrl") << 1 << 7 << 1;
        QTest::newRow("middle button") << 4 << 1 << 0;
        QTest::newRow("right button on nothing queued") << 2 << 0 << 0;
    }
    void aPressQueuesByButtonAndModifier() {
        QFETCH(int, button);
        QFETCH(int, shift);
        QFETCH(int, amount);
        Game g;
        g.battle();
        g.run(pressBuilding);
        g.run(pressTrainingButton(2, button, shift));
        QCOMPARE(queued(g, 2), amount);
        // A count that never changed keeps its designed "0"; a rewritten one has the blank.
        QCOMPARE(caption(g, mk(2)), amount ? " " + QString::number(amount) : QString("0"));
        QCOMPARE(state(g, "cur"), amount ? 2 : 255);
        QCOMPARE(makeOn(g), amount > 0);
        g.run(pressTrainingButton(2, button, shift));
        QCOMPARE(queued(g, 2), 2 * amount);
        QCOMPARE(caption(g, mk(2)), amount ? " " + QString::number(2 * amount) : QString("0"));
        for (int k = 0; k <= 6; ++k)
            if (k != 2) QCOMPARE(queued(g, k), 0);
    }

    void aRightPressNeverTakesTheLastUnit_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("after");
        QTest::newRow("Shift on 5 queued: nothing") << 5 << 1 << 5;
        QTest::newRow("Shift on 6 queued: one left") << 6 << 1 << 1;
        QTest::newRow("plain on 1 queued: nothing") << 1 << 0 << 1;
        QTest::newRow("plain on 2 queued") << 2 << 0 << 1;
        QTest::newRow("Ctrl on 10 queued: nothing") << 10 << 2 << 10;
        QTest::newRow("Ctrl on 11 queued") << 11 << 2 << 1;
        QTest::newRow("Shift+Ctrl on 21 queued") << 21 << 3 << 1;
        QTest::newRow("Shift+Ctrl on 30 queued") << 30 << 3 << 10;
        QTest::newRow("Alt+Shift takes one") << 6 << 5 << 5;
    }
    void aRightPressNeverTakesTheLastUnit() {
        QFETCH(int, before);
        QFETCH(int, shift);
        QFETCH(int, after);
        Game g;
        g.battle();
        g.run(pressBuilding);
        g.run(order(3, before));
        QCOMPARE(queued(g, 3), before);
        g.run(pressTrainingButton(3, 2, shift));
        QCOMPARE(queued(g, 3), after);
        QCOMPARE(caption(g, mk(3)), " " + QString::number(after));
        QCOMPARE(state(g, "cur"), 3);
        QVERIFY(makeOn(g));
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
        QTest::newRow("kinds 3 then 1 behind kind 0")
            << 0 << 1 << QList<int>{3, 1} << QList<int>{0, 3, 1};
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
        QCOMPARE(state(g, "c"), int(made.size()));
        QList<int> kinds;
        for (int i = 1; i <= int(made.size()); ++i) kinds << unit(g, i)["kind"].toInt();
        QCOMPARE(kinds, made);
        QCOMPARE(state(g, "cur"), 255);
    }

    void unitsStandInRowsOfFifteen_data() {
        QTest::addColumn<int>("number"); // the unit's place in the battle's training order
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("width");
        QTest::newRow("first") << 1 << 0 << 2940 << 3000 << 350;
        QTest::newRow("second") << 2 << 3 << 3540 << 3000 << 350;
        QTest::newRow("fifteenth") << 15 << 2 << 11340 << 3000 << 350;
        QTest::newRow("sixteenth") << 16 << 0 << 2940 << 3500 << 350;
        QTest::newRow("thirtieth") << 30 << 1 << 11340 << 3500 << 350;
        QTest::newRow("thirty-first") << 31 << 0 << 2600 << 4000 << 350;
        QTest::newRow("forty-sixth") << 46 << 5 << 2600 << 4500 << 350;
        QTest::newRow("sixty-first") << 61 << 2 << 2600 << 5000 << 350;
        QTest::newRow("seventy-sixth") << 76 << 0 << 2600 << 5500 << 350;
        QTest::newRow("eightieth, a builder") << 80 << 6 << 5000 << 5500 << 350;
        // The tank keeps the width of its picture, 50 pixels.
        QTest::newRow("a tank first") << 1 << 4 << 2940 << 3000 << 750;
        QTest::newRow("a tank thirty-first") << 31 << 4 << 2600 << 4000 << 750;
    }
    void unitsStandInRowsOfFifteen() {
        QFETCH(int, number);
        QFETCH(int, kind);
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(int, width);
        Game g;
        g.battle();
        // Builders (250 ms each) fill the slots before; then the unit of the row's kind.
        g.run(order(6, number - 1) + order(kind, 1));
        const int done = 250 * (number - 1) + 50 * tempo[kind];
        g.run("wait " + std::to_string(done - 1));
        QCOMPARE(state(g, "c"), number - 1);
        g.run("wait 1");
        QCOMPARE(state(g, "c"), number);
        const QString im = QStringLiteral("ima(%1)").arg(number);
        QVERIFY(shown(g, im));
        QCOMPARE(picture(g, im), QStringLiteral("front_%1").arg(kind));
        QCOMPARE(prop(g, im, "Left"), double(left));
        QCOMPARE(prop(g, im, "Top"), double(top));
        QCOMPARE(prop(g, im, "Width"), double(width));
        QCOMPARE(prop(g, im, "Height"), prop(g, QStringLiteral("front(%1)").arg(kind), "Height"));
        const QJsonObject u = unit(g, number);
        QCOMPARE(u["kind"].toInt(), kind);
        QCOMPARE(u["hp"].toInt(), kind == 6 ? 50 : 30);
        QCOMPARE(u["alive"].toInt(), -1);
        QCOMPARE(u["x"].toInt(), left);
        QCOMPARE(u["tx"].toInt(), left);
        QCOMPARE(u["y"].toInt(), top);
        QCOMPARE(u["ty"].toInt(), top);
    }

    void anEightyFirstUnitIsRefused() {
        Game g;
        g.battle();
        g.run(order(6, 81));
        g.run("wait 20000"); // the 80th builder is finished now
        QCOMPARE(state(g, "c"), 80);
        QCOMPARE(queued(g, 6), 1);
        QCOMPARE(prop(g, "ima(80)", "Left"), 5000.0);
        QCOMPARE(prop(g, "ima(80)", "Top"), 5500.0);
        const int yen = state(g, "yen");
        g.run("wait 249");
        QCOMPARE(caption(g, "news"), QString(" lo scudo ha ceduto")); // from the clock at 20 s
        g.run("wait 1");
        QCOMPARE(caption(g, "news"), QString(refused));
        QCOMPARE(state(g, "c"), 80);
        QCOMPARE(state(g, "yen"), yen + 2); // the income of 20.1 s and 20.2 s, nothing paid
        QVERIFY(!hasWidget(g, "ima(81)"));
        QCOMPARE(queued(g, 6), 0);
        QCOMPARE(caption(g, mk(6)), QString(" 0"));
        QCOMPARE(state(g, "cur"), 255);
        QVERIFY(!makeOn(g));
    }

    void queueCountsStopAt255() {
        Game g;
        g.battle();
        g.run(pressBuilding);
        for (int i = 0; i < 12; ++i) g.run(pressTrainingButton(1, 1, 3));
        QCOMPARE(queued(g, 1), 240);
        g.run(pressTrainingButton(1, 1, 3));
        QCOMPARE(queued(g, 1), 255);
        QCOMPARE(caption(g, mk(1)), QString(" 255"));
        g.run(pressTrainingButton(1));
        QCOMPARE(queued(g, 1), 255);
        QCOMPARE(caption(g, mk(1)), QString(" 255"));
        g.run(pressTrainingButton(1, 2));
        QCOMPARE(queued(g, 1), 254);
        QCOMPARE(caption(g, mk(1)), QString(" 254"));
        g.run("wait 900"); // one kind-1 unit
        QCOMPARE(state(g, "c"), 1);
        QCOMPARE(queued(g, 1), 253);
        QCOMPARE(caption(g, mk(1)), QString(" 253"));
    }

    void theBarFillsAndStaysFullUntilTheNextUnit() {
        Game g;
        g.battle();
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        g.run(order(0, 1) + "wait 50");
        QCOMPARE(prop(g, "done", "X1"), 120.0);
        QCOMPARE(prop(g, "done", "X2"), 296.0); // 120 + 2640 / 15
        // A further order between two ticks does not put the training clock back.
        g.run("wait 25\n" + order(0, 1) + "wait 25");
        QCOMPARE(prop(g, "done", "X2"), 472.0);
        g.run("wait 150");
        QCOMPARE(prop(g, "done", "X2"), 1000.0);
        g.run("wait 450");
        QCOMPARE(prop(g, "done", "X2"), 2584.0); // 14 of 15
        g.run("wait 50");
        // Full on the finishing tick; the next unit starts from the left on its first tick.
        QCOMPARE(state(g, "c"), 1);
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        QVERIFY(makeOn(g));
        g.run("wait 50");
        QCOMPARE(prop(g, "done", "X2"), 296.0);
        g.run("wait 700");
        // Left full once nothing is queued.
        QCOMPARE(state(g, "c"), 2);
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        QVERIFY(!makeOn(g));
        g.run("wait 1000");
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        // A new order: the bar starts again from the left on its first tick.
        g.run(order(5, 1));
        QCOMPARE(prop(g, "done", "X2"), 2760.0);
        g.run("wait 50");
        QCOMPARE(prop(g, "done", "X2"), double(120.0f + 2640.0f / 7.0f));
        QCOMPARE(prop(g, "qnty", "X1"), 120.0);
        QCOMPARE(prop(g, "qnty", "X2"), 2760.0);
        QCOMPARE(prop(g, "done", "Y1"), 1320.0);
        QCOMPARE(prop(g, "done", "Y2"), 1320.0);
    }

    void countsAndTrainingClockStayInStepUnderRandomPlay() {
        // A fixed pseudo-random sequence of presses on every training button with every button
        // and modifier, a few evolutions, and ticks; the queue shown must be the queue held, and
        // the training clock must run exactly while something is in training.
        Game g;
        g.battle();
        g.run(pressBuilding);
        std::minstd_rand rng(20240605u);
        bool rewritten[7] = {};
        int evolutions = 0, presses = 0;
        for (int step = 0; step < 1500; ++step) {
            const unsigned r = rng() % 100;
            std::string line;
            if (r < 50) {
                static const int buttons[6] = {1, 1, 1, 2, 2, 4};
                const int kind = int(rng() % 7);
                const int button = buttons[rng() % 6];
                const int shift = int(rng() % 8);
                line = "down Form1 Command1(" + std::to_string(kind) + ") " +
                       std::to_string(button) + " " + std::to_string(shift) + " 10 10";
                ++presses;
            } else if (r < 51 && evolutions < 8) {
                line = pressEvolve;
                ++evolutions;
            } else {
                const int ms = int(rng() % 60);
                if (g.app.clock.now() + ms > 24000) continue; // stay clear of the enemy turns
                line = "wait " + std::to_string(ms);
            }
            g.run(line);
            // One dump a step: the whole program as the replay tool would print it.
            const QJsonObject form = g.window("Form1");
            const QJsonObject s = form["state"].toObject();
            const QJsonObject widgets = form["widgets"].toObject();
            const QJsonArray q = s["queue"].toArray();
            for (int k = 0; k <= 6; ++k) {
                const QString shown = widgets[mk(k)].toObject()["Caption"].toString();
                const int held = q[k].toInt();
                QVERIFY2(held <= 255, qPrintable(QString::fromStdString(line)));
                if (shown != "0") rewritten[k] = true;
                if (!rewritten[k]) QCOMPARE(held, 0);
                const QString want = rewritten[k] ? " " + QString::number(held) : QString("0");
                QVERIFY2(shown == want,
                         qPrintable(QStringLiteral("step %1 '%2': mk(%3) '%4', queue %5")
                                        .arg(step)
                                        .arg(QString::fromStdString(line))
                                        .arg(k)
                                        .arg(shown)
                                        .arg(held)));
            }
            const int cur = s["cur"].toInt();
            QVERIFY2(widgets["make"].toObject()["Enabled"].toBool() == (cur != 255),
                     qPrintable(QStringLiteral("step %1 cur %2").arg(step).arg(cur)));
            if (cur != 255) {
                QVERIFY(cur <= 6);
                QVERIFY2(q[cur].toInt() >= 1,
                         qPrintable(QStringLiteral("step %1 cur %2").arg(step).arg(cur)));
            }
            QVERIFY(s["c"].toInt() <= 80);
            const double bar = widgets["done"].toObject()["X2"].toDouble();
            QVERIFY(bar >= 120 && bar <= 2760);
        }
        // The sequence did reach the interesting places.
        QVERIFY(presses > 500);
        QCOMPARE(evolutions, 8);
        QVERIFY(state(g, "c") > 0);
    }

    void aTrainingButtonActivatedFromTheKeyboardQueuesNothing() {
        Game g;
        Form1& f = g.battle();
        g.run(pressBuilding);
        // A Click without a mouse press, as Space or Enter on a focused button gives.
        for (int k = 0; k <= 6; ++k) g.run("click Form1 Command1(" + std::to_string(k) + ")");
        for (int k = 0; k <= 6; ++k) {
            QCOMPARE(queued(g, k), 0);
            QCOMPARE(caption(g, mk(k)), QString("0"));
        }
        QCOMPARE(state(g, "cur"), 255);
        QVERIFY(!makeOn(g));
        // The same through the window: Space on the native button of Command1(0) (8, 16 pixels
        // inside the panel, 33 x 25) clicks it; a mouse press on it queues.
        ktqt::FormView* view = g.frontend->view(f);
        QVERIFY(view);
        QPushButton* button = nullptr;
        for (QPushButton* b : view->findChildren<QPushButton*>())
            if (b->geometry() == QRect(8, 16, 33, 25)) button = b;
        QVERIFY(button);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(queued(g, 0), 0);
        QCOMPARE(caption(g, mk(0)), QString("0"));
        QVERIFY(!makeOn(g));
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
        QCOMPARE(queued(g, 0), 5);
        QCOMPARE(caption(g, mk(0)), QString(" 5"));
        QVERIFY(makeOn(g));
    }
};

QTEST_MAIN(TrainingTest)
#include "test_training.moc"
