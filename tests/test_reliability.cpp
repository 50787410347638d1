// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Long runs and the invariant checker: a two-hour battle played at full stretch, a hundred battles
// in a row in one process, the checker catching every kind of corruption it is meant to catch,
// and the faults the fuzzers found.

#include "harness.h"
#include "shell/frmsplash.h"
#include "toolkit/numbers.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QTest>
#include <algorithm>

using namespace kolvar;

namespace {

/// A battle to spoil: the session, its battlefield and the battlefield's private state.
struct Bad {
    Watched& s;
    Form1& f;
    BattleProbe p;
};

/// A way to spoil a battle, named by what the checker says of it.
const std::pair<const char*, void (*)(Bad&)> corruptions[] = {
    {"mk(2) shows", [](Bad& b) { b.f.mk[2].Caption = " 4"; }},
    {"make is on with cur 255", [](Bad& b) { b.f.make.setEnabled(true); }},
    {"cur 3 has nothing queued", [](Bad& b) { b.p.cur() = 3, b.f.make.setEnabled(true); }},
    {"c is 81", [](Bad& b) { b.f.c = 81; }},
    {"sel is 5 with c 0", [](Bad& b) { b.p.sel() = 5; }},
    {"kills is 0 with 1 enemies destroyed", [](Bad& b) { b.p.enedead()[7] = yes; }},
    {"unit 0 lives but shows no unit",
     [](Bad& b) { b.f.ima[0].setPicture(b.f.Image1[0].picture); }},
    {"unit 0 is dead but shows no wreck", [](Bad& b) { b.p.uni()[0].alive = 0; }},
    {"unit 9 is above c but in use", [](Bad& b) { b.p.uni()[9].kind = 3; }},
    {"the sprite store is shown", [](Bad& b) { b.f.Frame2.Visible = true; }},
    {"kills went down from 3 to 2",
     [](Bad& b) {
         for (int i = 0; i < 3; ++i) b.p.enedead()[size_t(i)] = yes;
         b.p.kills() = 3;
         b.s.check();
         b.p.enedead()[0] = 0, b.p.kills() = 2;
     }},
    {"unit 0 came back to life",
     [](Bad& b) {
         b.p.uni()[0].alive = 0, b.f.ima[0].setPicture(b.f.Image1[0].picture);
         b.s.check();
         b.p.uni()[0].alive = yes, b.f.ima[0].setPicture(b.f.front[10].picture);
     }},
    {"the per-kind tables changed", [](Bad& b) { b.p.cost()[4] = 1; }},
    {"after a movement tick Label1 shows",
     [](Bad& b) {
         // Something running after the tick, before anyone looks, spoils the caption.
         struct Spoiler : kt::TickObserver {
             Form1& f;
             explicit Spoiler(Form1& f)
                 : f(f) {}
             void ticked(kt::Timer&) override { f.Label1.Caption = "0 euri"; }
         } spoiler(b.f);
         b.s.app.watchTicks(spoiler);
         b.s.late = std::make_unique<InvariantWatch>(b.s.app);
         b.s.app.advance(100);
         b.s.app.unwatchTicks(spoiler);
     }},
    {"no window is shown", [](Bad& b) { b.f.hide(); }},
    {"an enemy turn with 50 kills did not end",
     [](Bad& b) {
         // Every enemy but one gone, and the turn's victory test blinded by a counter that
         // reads 49 while the turn runs.
         for (int i = 0; i < 50; ++i) b.p.enedead()[size_t(i)] = yes;
         b.p.kills() = 50;
         b.p.clock() = 254;
         b.f.Timer1.Tick = [&b] {
             b.p.kills() = 49;
             b.f.Timer1_Timer();
             b.p.kills() = 50;
         };
         b.s.app.advance(100);
     }},
    {"showed 2 message boxes",
     [](Bad& b) {
         b.f.Timer2.Tick = [&b] {
             b.s.app.msgbox(&b.f, "one");
             b.s.app.msgbox(&b.f, "two");
         };
         b.s.app.advance(100);
     }},
};

} // namespace

class ReliabilityTest : public QObject {
    Q_OBJECT

private slots:
    // The checker catches every kind of corruption it is meant to; that it finds nothing in
    // fair play the script fuzz corpus (script_corpus) and the long runs below show.
    void checkerCatchesCorruption_data() {
        QTest::addColumn<int>("what");
        for (size_t i = 0; i < std::size(corruptions); ++i)
            QTest::newRow(corruptions[i].first) << int(i);
    }
    void checkerCatchesCorruption() {
        QFETCH(int, what);
        Watched s;
        Form1& f = s.battle();
        Bad b{s, f, BattleProbe{f}};
        s.app.advance(100);
        QVERIFY(s.check().empty());
        corruptions[what].second(b);
        const QString found = joined(s.check());
        QVERIFY2(found.contains(corruptions[what].first), qPrintable(found));
    }

    // ---- Long runs ----------------------------------------------------------------------

    void twoHourBattle() {
        // Every limit at once: 80 units trained, 254 mines built, the building evolved as far as
        // the money's range allows, the commander kept alive with the cheat codes, and two
        // hours of play, far past the clock's limit, with the enemies gone off the right edge.
        // The battlefield's window shows it all, and what it shows must stay a full paint.
        Watched s;
        Form1& f = s.battle();
        BattleProbe p{f};
        const std::string vildra = "text Form1 cheater \ntype Form1 cheater vildra";
        auto fine = [&](const char* when) {
            ktqt::FormView* view = viewOf(s, "Form1");
            const QString unlike = joined(s.check()) + (view ? unlikeFullPaint(*view) : "");
            QVERIFY2(unlike.isEmpty(), qPrintable(QString(when) + ": " + unlike));
        };
        // A builder first, then 79 soldiers (20 a press; the 81st is refused).
        s.run("click Form1 Image2\n" + order(6, 1) + order(0, 20) + order(1, 20) + order(2, 20) +
              order(3, 20));
        for (int t = 0; t < 100; ++t) {
            s.run(vildra); // one enemy turn's hits are far below 255
            s.app.advance(2000);
            fine(qPrintable(QString("training, %1 s").arg(2 * t + 2)));
            // Once the force field is down, the builder walks to the bottom-right corner, below
            // every enemy, and Tovo beside it.
            if (t == 11)
                for (int i : {1, 0}) s.app.click(f.ima[i]), s.app.press(f, 10400 + 600 * i, 9000);
        }
        fine("trained");
        QCOMPARE(QString("%1 %2").arg(f.c).arg(p.cur()), QString("80 %1").arg(idle));
        size_t heapAtHalfHour = 0;
        int mines = 0;
        for (int minute = 1; minute <= 120; ++minute) {
            for (int second = 0; second < 60; second += 2) {
                s.app.advance(2000);
                if (!s.app.loaded<Form1>()) QFAIL("the battle ended by itself");
                s.run(vildra);
                if (second % 20 == 0) fine(qPrintable(QString("minute %1").arg(minute)));
            }
            // A mine a minute under the builder until there are 254, and, once the money is up
            // again, an evolution a minute until the price would leave the money's range.
            for (int k = 0; k < 10 && mines < 254; ++k, ++mines)
                s.app.click(f.ima[1]), s.app.click(f.command2);
            if (f.er == 255) s.app.click(f.evo);
            if (minute == 30) heapAtHalfHour = liveHeap();
            fine(qPrintable(QString("minute %1").arg(minute)));
        }
        // The money's caption is the checker's; the money itself is an int16_t.
        CHECK_FIELDS(s, "er evol make.Interval clock c", "255 65 1 32767 80");
        // Every standing enemy is far off to the right, along the top edge.
        for (int i = 0; i <= 50; ++i)
            QVERIFY2(p.enedead()[size_t(i)] ||
                         (f.ene[i].Left > 100'000 && p.enecell()[0][i] == 255),
                     qPrintable(QString::number(i)));
        QVERIFY(p.uni()[0].alive == yes);
        // Memory is flat: the last ninety minutes added nothing worth a mention.
        const long grown = long(liveHeap()) - long(heapAtHalfHour);
        qInfo("heap over the last 90 minutes: %+ld bytes", grown);
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
        // And the battle still ends as any does: the close box brings the start menu back.
        s.app.closeBox(f);
        CHECK_FIELDS(s, "Form1 frmSplash.visible messages", "none true []");
        fine("closed");
    }

    void enemyTurnsGoOnPastTheClocksLimit() {
        // The clock stops at 32767 after 54.6 minutes; the enemies still march every fifth tick,
        // so a long battle can still be lost, and won.
        for (bool win : {false, true}) {
            Watched s;
            Form1& f = s.battle();
            BattleProbe p{f};
            p.clock() = 32760;
            const float top = f.ene[11].Top;
            // To 32765: one turn; to 32767 and three held ticks: the turn of "32770"; then none
            // for four ticks, and the fifth is a turn.
            QString marched;
            for (int ms : {500, 500, 400, 100}) {
                s.app.advance(ms);
                marched += QString::number(top - f.ene[11].Top) + " ";
            }
            QCOMPARE(marched, QString("50 100 100 150 "));
            QCOMPARE(int(p.clock()), 32767);
            if (win) {
                for (int i = 0; i <= 49; ++i) p.enedead()[size_t(i)] = yes;
                p.kills() = 50;
            } else {
                p.uni()[0].hp = 0;
                f.ene[11].Top = f.ima[0].Top + 1500; // just below Tovo, in his column
                f.ene[11].Left = f.ima[0].Left;
            }
            s.app.advance(5000);
            QVERIFY(!s.app.loaded<Form1>());
            QCOMPARE(s.app.messageLog,
                     std::vector<std::string>{win ? "Hai vinto!!" : " Missione Fallita Game Over"});
            QVERIFY2(s.check().empty(), qPrintable(joined(s.check())));
        }
    }

    void hundredBattles() {
        // Won and lost in turn, in one process with the views: every battle starts from the same
        // state and ends with its one message, and the heap stays where it was once Qt's own
        // caches (fonts, glyphs) have filled. Nothing leaks: the sanitizer build runs this test
        // with LeakSanitizer on.
        Watched g;
        QJsonObject fresh;
        size_t heapAfterWarmUp = 0;
        for (int n = 0; n < 100; ++n) {
            const bool win = n % 2 == 0;
            g.run("click frmSplash Command1");
            Form1& f = *g.app.loaded<Form1>();
            const QJsonObject start = g.window("Form1");
            if (n == 0) fresh = start;
            QVERIFY2(start == fresh, qPrintable(QString("battle %1 did not start afresh").arg(n)));
            if (win) {
                // Tovo to the middle, every enemy destroyed when the field falls: won at 25.5 s.
                g.run("press Form1 6000 3500\nwait 20100");
                for (int i = 0; i <= 50; ++i)
                    g.app.mouseDownOn(f.ene[i], kt::RightButton, 0, 10, 10);
            }
            // Lost: Tovo waits where he stands until the enemies have shot him, at 32 s.
            g.run("wait 40000");
            QVERIFY(!g.app.loaded<Form1>() && g.window("frmSplash")["visible"].toBool());
            QCOMPARE(g.app.messageLog.size(), size_t(n + 1));
            QCOMPARE(QString::fromStdString(g.app.messageLog.back()),
                     win ? "Hai vinto!!" : " Missione Fallita Game Over");
            QVERIFY2(g.check().empty(), qPrintable(joined(g.check())));
            QCoreApplication::processEvents(); // what the player's event loop does meanwhile
            if (n == 49) heapAfterWarmUp = liveHeap();
        }
        const long grown = long(liveHeap()) - long(heapAfterWarmUp);
        qInfo("heap over the last 50 battles: %+ld bytes", grown);
        // Besides the message log's 50 lines, nothing of a battle may stay: a window's worth
        // of widgets left behind per battle would be well over this, and so would the windows
        // of closed forms a script left for an event loop that never runs to delete.
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
    }

    // ---- Faults the fuzzers found -------------------------------------------------------

    void aHiddenWindowTakesNoKeys() {
        // The battlefield exists hidden once a background is chosen; keys to it (or to the
        // hidden start menu during a battle) must not type into the cheat box or start a battle.
        Battle g;
        Form1& f = g.battle();
        f.focus = &f.cheater;
        f.hide();
        g.app.keyPress(f, 'v');
        QCOMPARE(QString::fromStdString(f.cheater.text()), QString());
        f.show();
        g.app.keyPress(f, 'v');
        QCOMPARE(QString::fromStdString(f.cheater.text()), QString("v"));
    }
};

QTEST_MAIN(ReliabilityTest)
#include "test_reliability.moc"
