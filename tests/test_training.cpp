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

const char* const refused = "'Unit impossible to do  commander'";

class TrainingTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Training ------------------------------------------------------------------------------

    // Per kind: when the unit is finished, the money then (that instant's income included), the
    // money after it (unchanged when it is refused) and its life (0: refused).
    void aUnitIsPaidForWhenFinished_data() {
        // Money equal to the price is not enough.
        table({{"kind 0, money equal to the price", "0 750 15 15 0"},
               {"kind 0, one more than the price", "0 750 16 1 30"},
               {"kind 1", "1 900 21 1 30"},
               {"kind 2", "2 750 21 1 30"},
               {"kind 3", "3 1000 11 1 30"},
               {"kind 4, money equal to the price", "4 500 70 70 0"},
               {"kind 4, one more than the price", "4 500 71 1 30"},
               {"kind 5", "5 350 31 1 30"},
               {"kind 6, a builder", "6 250 6 1 50"},
               {"kind 6 ordered in debt", "6 250 0 0 0"}});
    }
    void aUnitIsPaidForWhenFinished() {
        const auto [kind, ms, money, left, life] = ints<5>();
        Game g;
        g.battle().yen = int16_t(money - ms / 100);
        const QString queue = QString("queue[%1]").arg(kind);
        // Queueing never looks at the money. Made or not, the unit has left the queue and
        // training has stopped.
        CHECK_STEPS(g,
                    {{order(kind, 1), queue, "1"},
                     {"wait " + std::to_string(ms - 1), "c", "0"},
                     {"wait 1",
                      "c yen news.Caption ima(1).Visible uni[1].kind uni[1].hp cur make.Enabled " +
                          queue + QString(" mk(%1).Caption").arg(kind),
                      QString::asprintf("%d %d %s %s %d %d 255 false 0 ' 0'", life ? 1 : 0, left,
                                        life ? "''" : refused, life ? "true" : "false",
                                        life ? kind : 0, life)}});
    }

    // Queued by plain presses before, the press's button and modifiers, queued after.
    void aPressQueuesByButtonAndModifier_data() {
        table({{"plain", "0 1 0 1"},
               {"Shift", "0 1 1 5"},
               {"Ctrl", "0 1 2 10"},
               {"Shift+Ctrl on 3 queued", "3 1 3 23"},
               {"Alt+Shift", "0 1 5 1"},
               {"Alt+Ctrl", "0 1 6 1"},
               {"Alt+Shift+Ctrl", "0 1 7 1"},
               {"middle button, Shift on 6 queued", "6 4 1 6"},
               {"right button on nothing queued", "0 2 0 0"},
               // A right press never takes the last unit of a kind.
               {"right, Shift on 5 queued: nothing", "5 2 1 5"},
               {"right, Shift on 6 queued: one left", "6 2 1 1"},
               {"right, plain on 1 queued: nothing", "1 2 0 1"},
               {"right, plain on 2 queued", "2 2 0 1"},
               {"right, Ctrl on 11 queued", "11 2 2 1"},
               {"right, Shift+Ctrl on 30 queued", "30 2 3 10"},
               {"right, Alt+Shift takes one", "6 2 5 5"},
               // A count stops at 255 rather than wrapping.
               {"Shift+Ctrl on 250 queued", "250 1 3 255"},
               {"plain on 255 queued", "255 1 0 255"}});
    }
    void aPressQueuesByButtonAndModifier() {
        const auto [before, button, shift, after] = ints<4>();
        Battle g;
        // A count that never changed keeps its designed "0"; a rewritten one has the blank.
        CHECK_STEPS(g, {{order(3, before) + "down Form1 Command1(3) " + std::to_string(button) +
                             " " + std::to_string(shift) + " 10 10",
                         "queue[3] mk(3).Caption cur make.Enabled",
                         after ? QString("%1 ' %1' 3 true").arg(after) : "0 0 255 false"}});
    }

    // The kind first ordered and how many, the kinds ordered one by one while it trains, and
    // the kinds of units 1, 2, ... in training order.
    void theNextKindIsTheHighestQueued_data() {
        table({{"kind 5 waits for every kind 1", "1 3 5,5 1,1,1,5,5"},
               {"kinds 1 then 3 behind kind 0", "0 1 1,3 0,3,1"},
               {"lower kinds behind the builder", "6 2 0,4,0 6,6,4,0,0"}});
    }
    void theNextKindIsTheHighestQueued() {
        const QStringList w = row(), made = w[3].split(',');
        Battle g;
        g.run(order(w[0].toInt(), w[1].toInt()) + "wait 20");
        for (const QString& k : w[2].split(',')) g.run(order(k.toInt(), 1));
        CHECK_FIELDS(g, "cur", w[0]); // a kind in training is never replaced
        QString kinds = "c";
        for (int i = 1; i <= made.size(); ++i) kinds += QString(" uni[%1].kind").arg(i);
        CHECK_STEPS(g, {{"wait 8000", kinds, QString::number(made.size()) + " " + made.join(' ')}});
    }

    // The unit's place in the battle's training order, its kind, where it stands, its width.
    void unitsStandInRowsOfFifteen_data() {
        table({{"first", "1 0 2940,3000 350"},
               {"fifteenth", "15 2 11340,3000 350"},
               {"sixteenth", "16 0 2940,3500 350"},
               {"thirty-first", "31 0 2600,4000 350"},
               {"eightieth, a builder, the last", "80 6 5000,5500 350"},
               // The tank keeps the width of its picture, 50 pixels.
               {"a tank first", "1 4 2940,3000 750"}});
    }
    void unitsStandInRowsOfFifteen() {
        const QStringList w = row();
        const int number = w[0].toInt();
        Battle g;
        // Builders (250 ms each) fill the slots before; then the unit of the row's kind, and
        // behind the eightieth one more, which is refused. The record stands where the image
        // is, going nowhere.
        CHECK_STEPS(
            g,
            {{order(6, number - 1) + order(w[1].toInt(), 1) + order(6, number / 80) + "wait 22000",
              QString("c ima(81) news.Caption ima(%1).Visible ima(%1).Picture ima(%1).at "
                      "ima(%1).Width uni[%1].pos uni[%1].dest uni[%1].alive")
                  .arg(number),
              QString("%1 none %2 true front_%3 %4 %5 %4 %4 -1")
                  .arg(w[0], number == 80 ? refused : "' lo scudo ha ceduto'", w[1], w[2], w[3])}});
    }

    void theBarFillsAndStaysFullUntilTheNextUnit() {
        Battle g;
        // A yellow bar over a red one.
        CHECK_FIELDS(g, "done.ends qnty.look done.look",
                     "'120,1320 2760,1320' '255,0,0 2 1' '255,255,0 2 1'");
        // A further order between two ticks does not put the training clock back. The bar is
        // full on the finishing tick, and left so once nothing is queued; the next unit starts
        // it from the left on its first tick.
        CHECK_STEPS(g, {{order(0, 1) + "wait 50", "done.X2", "296"}, // 120 + 2640 / 15
                        {"wait 25\n" + order(0, 1) + "wait 25", "done.X2", "472"},
                        {"wait 600", "done.X2", "2584"}, // 14 of 15
                        {"wait 50", "c done.X2 mk(0).Caption", "1 2760 ' 1'"},
                        {"wait 50", "done.X2", "296"},
                        {"wait 1700", "c done.X2 make.Enabled", "2 2760 false"},
                        {order(5, 1) + "wait 50", "done.X2", number(120.0f + 2640.0f / 7.0f)}});
    }

    void thePanelAndAButtonActivatedFromTheKeyboard() {
        Battle g;
        // Selecting a unit closes the panel; pressing the building again shows every button.
        CHECK_STEPS(g, {{"", "Frame1.Visible", "false"},
                        {pressBuilding, "Frame1.Visible evo.Visible", "true true"},
                        {"click Form1 ima(0)", "Frame1.Visible", "false"}});
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
        for (QPushButton* b : g.frontend->view(g.f)->findChildren<QPushButton*>())
            if (b->geometry() == QRect(8, 16, 33, 25)) button = b;
        QVERIFY(button);
        QTest::keyClick(button, Qt::Key_Space);
        CHECK_FIELDS(g, "queue[0] mk(0).Caption make.Enabled", "0 0 false");
        QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
        CHECK_FIELDS(g, "queue[0] make.Enabled", "5 true");
    }

    // ---- Income and the money display ----------------------------------------------------------

    // The money and the income set before the first tick (none: as the set-up left them), how
    // many ticks run, and the display then.
    void incomeAndMoneyDisplay_data() {
        table({{"the battle's start", "0 0 1 ' 2001000 euri'"},
               {"one mine built", "2000 2 3 ' 2006000 euri'"},
               {"in debt", "-51 1 1 '-50000 euri'"},
               {"out of debt to zero", "-1 1 1 ' 0000 euri'"},
               {"held at the top", "32700 255 2 ' 32767000 euri'"}});
    }
    void incomeAndMoneyDisplay() {
        const auto [yen, er, ticks] = ints<3>();
        Battle g;
        CHECK_FIELDS(g, "Label1.Caption", "Label1");          // until the first tick
        if (er) g.f.yen = int16_t(yen), g.f.er = uint8_t(er); // else as the set-up left them
        CHECK_STEPS(
            g, {{"wait " + std::to_string(100 * ticks), "Label1.Caption", "'" + row()[3] + "'"}});
    }

    // ---- Mines ---------------------------------------------------------------------------------

    // The money, what is left after the mine, the unit selected when the mine button is
    // pressed, its feet, and the income before (1 where none is given, as a battle starts).
    void aMineIsBuiltWhateverTheMoney_data() {
        table({{"2000", "2000 1900 1 2940,3375"},
               {"50 goes into debt", "50 -50 1 2940,3375"},
               {"near the bottom of the range", "-32700 -32768 1 2940,3375"},
               // Selecting the commander leaves the panel open where the builder stood.
               {"under the commander", "2000 1900 0 960,3405"},
               {"the last mine", "2000 1900 1 2940,3375 254"}});
    }
    void aMineIsBuiltWhateverTheMoney() {
        const auto [money, left, under] = ints<3>();
        const int er = row().value(4, "1").toInt();
        Battle g;
        trainBuilder(g); // at 250 ms
        CHECK_FIELDS(g, "build.at", "2940,3375");
        g.f.yen = int16_t(money), g.f.er = uint8_t(er);
        // The mine is element er + 1 (the first one built is element 2), at the unit's feet; the
        // panel closes. The income is now one more a tick.
        const QString mine = QString("Image3(%1)").arg(er + 1);
        const std::string build = "click Form1 ima(" + std::to_string(under) + ")\n" + pressMine(g);
        CHECK_STEPS(g, {{build,
                         "yen Image3(1) build.Visible " + mine + ".Visible " + mine + ".Picture " +
                             mine + ".at",
                         QString("%1 none false true image3_0 %2").arg(left).arg(row()[3])},
                        {"wait 100", "yen er", QString("%1 %2").arg(left + er + 1).arg(er + 1)}});
        // No mine once the income is 255, and no payment.
        if (er == 254)
            CHECK_STEPS(g, {{build, "er Image3(256) yen", QString("255 none %1").arg(left + 255)}});
    }

    // ---- Evolution -----------------------------------------------------------------------------

    void eachEvolutionCostsMoreAndHalvesTheTrainingTick() {
        Battle g;
        CHECK_FIELDS(g, "Image2.Picture", "image2");
        g.run(pressBuilding);
        // All at 0 ms: no income between. 12.5 rounds to 12, 1.5 to 2, never below 1.
        for (const char* after : {"25 1500", "12 500", "6 -1000", "3 -3000", "2 -5500", "1 -8500",
                                  "1 -12000", "1 -16000"}) {
            g.run(pressEvolve);
            CHECK_FIELDS(g, "make.Interval yen Image2.Picture", after + QString(" front_30"));
        }
        // An evolution keeps the ticks spent on a unit.
        g.f.yen = 5000; // the evolutions left a debt that would refuse every unit
        CHECK_STEPS(g, {{order(3, 1) + "wait 10", "prog", "10"},
                        {pressEvolve + std::string("\nwait 9"), "c", "0"},
                        {"wait 1", "c", "1"}});
        // The debt stops at the bottom of the range; no evolution once its price would pass the
        // top of it: the 65th costs 32500, which still fits, the 66th would cost 33000.
        for (int i = 9; i < 64; ++i) g.run(pressEvolve);
        CHECK_FIELDS(g, "evol yen", "64 -32768");
        g.f.yen = 32767;
        CHECK_STEPS(g, {{pressEvolve, "evol yen", "65 267"}, {pressEvolve, "evol yen", "65 267"}});
    }
};

QTEST_MAIN(TrainingTest)
#include "test_training.moc"
