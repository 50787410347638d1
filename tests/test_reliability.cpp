// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Long runs and the invariant checker: a two-hour battle played at full stretch, a hundred battles
// in a row in one process, the checker catching every kind of corruption it is meant to catch,
// and the faults the fuzzers found.

#include "battle/invariants.h"
#include "harness.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/describe.h"
#include "toolkit/numbers.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QTest>
#include <algorithm>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOLVAR_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KOLVAR_ASAN 1
#endif
#ifdef KOLVAR_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

using namespace kolvar;

namespace {

/// Bytes the program holds on the heap right now.
size_t liveHeap() {
#ifdef KOLVAR_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

QString joined(const std::vector<std::string>& broken) {
    QStringList l;
    for (const auto& b : broken) l << QString::fromStdString(b);
    return l.join("; ");
}

/// The battle through the program's own entry points, drawn in its windows when `shown`.
struct Session {
    kt::Program app{kolvar::identity()};
    InvariantWatch watch{app};
    std::unique_ptr<ktqt::Frontend> frontend;
    explicit Session(bool shown = false) {
        if (shown) frontend = std::make_unique<ktqt::Frontend>(app, ktqt::Frontend::Mode::Scripted);
        app.dispatch([&] { showStartMenu(app); });
    }
    ~Session() { frontend.reset(); } // the windows go before the forms they show
    /// What the battlefield's window shows against a full paint (empty when they agree).
    QString unlike() {
        kt::Form* f = app.formByName("Form1");
        ktqt::FormView* v = f && frontend ? frontend->view(*f) : nullptr;
        return v ? unlikeFullPaint(*v) : QString();
    }
    Form1& gioca() {
        app.click(*app.formByName("frmSplash")->find("Command1"));
        return *app.loaded<Form1>();
    }
    void type(Form1& f, const std::string& text) {
        app.setText(f.cheater, "");
        for (char ch : text) app.setText(f.cheater, f.cheater.text() + ch);
    }
    /// A watch that came after something else watching the ticks, when there is one.
    std::unique_ptr<InvariantWatch> late;
    std::vector<std::string> check() { return late ? late->check() : watch.check(); }
};

/// A way to spoil a battle, and what the checker says of it.
struct Corruption {
    const char* name;
    const char* found;
    void (*spoil)(Session& s, Form1& f, BattleProbe& p);
};

const Corruption corruptions[] = {
    {"queue caption", "mk(2) shows",
     [](Session&, Form1& f, BattleProbe&) { f.mk[2].Caption = " 4"; }},
    {"make without a kind", "make is on with cur 255",
     [](Session&, Form1& f, BattleProbe&) { f.make.setEnabled(true); }},
    {"kind with nothing queued", "cur 3 has nothing queued",
     [](Session&, Form1& f, BattleProbe& p) { p.cur() = 3, f.make.setEnabled(true); }},
    {"too many units", "c is 81", [](Session&, Form1& f, BattleProbe&) { f.c = 81; }},
    {"selection past c", "sel is 5 with c 0",
     [](Session&, Form1&, BattleProbe& p) { p.sel() = 5; }},
    {"a kill not counted", "kills is 0 with 1 enemies destroyed",
     [](Session&, Form1&, BattleProbe& p) { p.enedead()[7] = yes; }},
    {"a living wreck", "unit 0 lives but shows no unit",
     [](Session&, Form1& f, BattleProbe&) { f.ima[0].setPicture(f.Image1[0].picture); }},
    {"a dead unit standing", "unit 0 is dead but shows no wreck",
     [](Session&, Form1&, BattleProbe& p) { p.uni()[0].alive = 0; }},
    {"an untrained slot in use", "unit 9 is above c but in use",
     [](Session&, Form1&, BattleProbe& p) { p.uni()[9].kind = 3; }},
    {"the store shown", "the sprite store is shown",
     [](Session&, Form1& f, BattleProbe&) { f.Frame2.Visible = true; }},
    {"kills going down", "kills went down from 3 to 2",
     [](Session& s, Form1&, BattleProbe& p) {
         for (int i = 0; i < 3; ++i) p.enedead()[size_t(i)] = yes;
         p.kills() = 3;
         s.check();
         p.enedead()[0] = 0, p.kills() = 2;
     }},
    {"a unit back to life", "unit 0 came back to life",
     [](Session& s, Form1& f, BattleProbe& p) {
         p.uni()[0].alive = 0, f.ima[0].setPicture(f.Image1[0].picture);
         s.check();
         p.uni()[0].alive = yes, f.ima[0].setPicture(f.front[10].picture);
     }},
    {"a price changed", "the per-kind tables changed",
     [](Session&, Form1&, BattleProbe& p) { p.cost()[4] = 1; }},
    {"money shown wrong", "after a movement tick Label1 shows",
     [](Session& s, Form1& f, BattleProbe&) {
         // Something running after the tick, before anyone looks, spoils the caption.
         struct Spoiler : kt::TickObserver {
             Form1& f;
             explicit Spoiler(Form1& f)
                 : f(f) {}
             void ticked(kt::Timer&) override { f.Label1.Caption = "0 euri"; }
         } spoiler(f);
         s.app.watchTicks(spoiler);
         s.late = std::make_unique<InvariantWatch>(s.app);
         s.app.advance(100);
         s.app.unwatchTicks(spoiler);
     }},
    {"no window", "no window is shown", [](Session&, Form1& f, BattleProbe&) { f.hide(); }},
    {"victory missed", "an enemy turn with 50 kills did not end",
     [](Session& s, Form1& f, BattleProbe& p) {
         // Every enemy but one gone, and the turn's victory test blinded by a counter that
         // reads 49 while the turn runs.
         for (int i = 0; i < 50; ++i) p.enedead()[size_t(i)] = yes;
         p.kills() = 50;
         p.clock() = 254;
         f.Timer1.Tick = [&f, &p] {
             p.kills() = 49;
             f.Timer1_Timer();
             p.kills() = 50;
         };
         s.app.advance(100);
     }},
    {"a second message", "showed 2 message boxes",
     [](Session& s, Form1& f, BattleProbe&) {
         f.Timer2.Tick = [&] {
             s.app.msgbox(&f, "one");
             s.app.msgbox(&f, "two");
         };
         s.app.advance(100);
     }},
};

} // namespace

class ReliabilityTest : public QObject {
    Q_OBJECT

private slots:
    // ---- The checker --------------------------------------------------------------------

    void checkerFindsNothingInPlay() {
        // A battle played through training, a mine, orders, cheats and a defeat: all is well
        // after every step, and `check` says so in a script too.
        Session s;
        Form1& f = s.gioca();
        QVERIFY2(s.check().empty(), qPrintable(joined(s.check())));
        s.app.click(f.Image2);
        s.app.mouseDownOn(f.Command1[6], kt::LeftButton, 0, 10, 10);
        s.app.mouseDownOn(f.Command1[0], kt::LeftButton, kt::ShiftMask, 10, 10);
        for (int t = 0; t < 400; ++t) {
            s.app.advance(100);
            if (t == 20) s.app.click(f.ima[1]), s.app.click(f.command2);
            if (t == 30) s.app.press(f, 5000, 2000);
            if (t == 40) s.type(f, "dek mova");
            if (t == 50) s.type(f, "frastol");
            QVERIFY2(s.check().empty(), qPrintable(QString::number(t) + ": " + joined(s.check())));
        }
        QVERIFY(!s.app.loaded<Form1>()); // lost: the commander stood in the enemies' way
        QCOMPARE(s.app.messageLog.size(), size_t(1));

        Game g;
        g.run("click frmSplash Command1\nwait 3000\ncheck\nclose Form1\ncheck");
    }

    void checkerCatchesCorruption_data() {
        QTest::addColumn<int>("what");
        for (size_t i = 0; i < std::size(corruptions); ++i)
            QTest::newRow(corruptions[i].name) << int(i);
    }
    void checkerCatchesCorruption() {
        QFETCH(int, what);
        Session s;
        Form1& f = s.gioca();
        BattleProbe p{f};
        s.app.advance(100);
        QVERIFY(s.check().empty());
        const Corruption& c = corruptions[what];
        c.spoil(s, f, p);
        const QString found = joined(s.check());
        QVERIFY2(found.contains(c.found), qPrintable(found));
    }

    // ---- Long runs ----------------------------------------------------------------------

    void twoHourBattle() {
        // Every limit at once: 80 units trained, 254 mines built, the building evolved as far as
        // the money's range allows, the commander kept alive with the cheat codes, and two
        // hours of play, far past the clock's limit, with the enemies gone off the right edge.
        // The battlefield's window shows it all, and what it shows must stay a full paint.
        Session s(true);
        Form1& f = s.gioca();
        BattleProbe p{f};
        auto fine = [&](const char* when) {
            const auto broken = s.check();
            QVERIFY2(broken.empty(), qPrintable(QString(when) + ": " + joined(broken)));
            const QString shown = s.unlike();
            QVERIFY2(shown.isEmpty(), qPrintable(QString(when) + ": " + shown));
        };
        // A builder first, then 79 soldiers (20 a press; the 81st is refused).
        s.app.click(f.Image2);
        s.app.mouseDownOn(f.Command1[6], kt::LeftButton, 0, 10, 10);
        for (int i = 0; i < 4; ++i)
            s.app.mouseDownOn(f.Command1[i], kt::LeftButton, kt::ShiftMask | kt::CtrlMask, 10, 10);
        for (int t = 0; t < 100; ++t) {
            s.type(f, "vildra"); // one enemy turn's hits are far below 255
            s.app.advance(2000);
            fine(qPrintable(QString("training, %1 s").arg(2 * t + 2)));
            // Once the force field is down, the builder walks to the bottom-right corner, below
            // every enemy, and Tovo beside it.
            if (t == 11) {
                s.app.click(f.ima[1]);
                s.app.press(f, 11000, 9000);
                s.app.click(f.ima[0]);
                s.app.press(f, 10400, 9000);
            }
        }
        fine("trained");
        QCOMPARE(int(f.c), 80);
        QCOMPARE(int(p.cur()), int(idle));
        size_t heapAtHalfHour = 0;
        int mines = 0;
        for (int minute = 1; minute <= 120; ++minute) {
            for (int second = 0; second < 60; second += 2) {
                s.app.advance(2000);
                if (!s.app.loaded<Form1>()) QFAIL("the battle ended by itself");
                s.type(f, "vildra");
                if (second % 20 == 0) fine(qPrintable(QString("minute %1").arg(minute)));
            }
            // A mine a minute under the builder until there are 254, and, once the money is up
            // again, an evolution a minute until the price would leave the money's range.
            if (mines < 254) {
                for (int k = 0; k < 10 && mines < 254; ++k, ++mines) {
                    s.app.click(f.ima[1]);
                    s.app.click(f.command2);
                }
            }
            if (f.er == 255) s.app.click(f.evo);
            if (minute == 30) heapAtHalfHour = liveHeap();
            fine(qPrintable(QString("minute %1").arg(minute)));
        }
        QCOMPARE(int(f.er), 255);
        QCOMPARE(int(f.evol), 65);
        QCOMPARE(f.make.interval(), 1);
        QCOMPARE(int(p.clock()), 32767);
        QCOMPARE(int(f.c), 80);
        QVERIFY(f.yen >= -32768 && f.yen <= 32767);
        QCOMPARE(QString::fromStdString(f.Label1.Caption),
                 QString::fromStdString(kt::str(f.yen) + "000 euri"));
        // Every standing enemy is far off to the right, along the top edge.
        for (int i = 0; i <= 50; ++i)
            if (p.enedead()[size_t(i)] == 0) {
                QVERIFY(f.ene[i].Left > 100'000);
                QCOMPARE(int(p.enecell()[0][i]), 255);
            }
        QVERIFY(p.uni()[0].alive == yes);
        // Memory is flat: the last ninety minutes added nothing worth a mention.
        const long grown = long(liveHeap()) - long(heapAtHalfHour);
        qInfo("heap over the last 90 minutes: %+ld bytes", grown);
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
        // And the battle still ends as any does: the close box brings the start menu back.
        s.app.closeBox(f);
        QVERIFY(!s.app.loaded<Form1>());
        QVERIFY(s.app.loaded<frmSplash>()->visible());
        QVERIFY(s.app.messageLog.empty());
        fine("closed");
    }

    void enemyTurnsGoOnPastTheClocksLimit() {
        // The clock stops at 32767 after 54.6 minutes; the enemies still march every fifth tick,
        // so a long battle can still be lost, and won.
        for (bool win : {false, true}) {
            Session s;
            Form1& f = s.gioca();
            BattleProbe p{f};
            p.clock() = 32760;
            const float top = f.ene[11].Top;
            s.app.advance(500); // ticks to 32765: one turn
            QCOMPARE(f.ene[11].Top, top - 50);
            s.app.advance(500); // to 32767 and three held ticks: the turn of "32770"
            QCOMPARE(int(p.clock()), 32767);
            QCOMPARE(f.ene[11].Top, top - 100);
            s.app.advance(400);
            QCOMPARE(f.ene[11].Top, top - 100);
            s.app.advance(100);
            QCOMPARE(f.ene[11].Top, top - 150);
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
        Game g;
        InvariantWatch watch(g.app);
        QJsonObject fresh;
        size_t heapAfterWarmUp = 0;
        for (int n = 0; n < 100; ++n) {
            const bool win = n % 2 == 0;
            g.run("click frmSplash Command1");
            Form1& f = *g.app.loaded<Form1>();
            const QJsonObject start = kt::describe(g.app)["windows"].toObject()["Form1"].toObject();
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
            QVERIFY(!g.app.loaded<Form1>());
            QVERIFY(g.window("frmSplash")["visible"].toBool());
            QCOMPARE(g.app.messageLog.back(),
                     std::string(win ? "Hai vinto!!" : " Missione Fallita Game Over"));
            QCOMPARE(g.app.messageLog.size(), size_t(n + 1));
            const auto broken = watch.check();
            QVERIFY2(broken.empty(), qPrintable(joined(broken)));
            QCoreApplication::processEvents(); // what the player's event loop does meanwhile
            if (n == 49) heapAfterWarmUp = liveHeap();
        }
        const long grown = long(liveHeap()) - long(heapAfterWarmUp);
        qInfo("heap over the last 50 battles: %+ld bytes", grown);
        // Besides the message log's 50 lines, nothing of a battle may stay: a window's worth
        // of widgets left behind per battle would be well over this.
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
    }

    // ---- Faults the fuzzers found -------------------------------------------------------

    void aClickOnAnUntrainedSlotSelectsNothing() {
        // A script's direct click reached the hidden image of a slot no unit was trained into
        // yet, and the selection went past c: orders then moved a unit that did not exist.
        Game g;
        g.run("click frmSplash Command1\nclick Form1 ima(3)\npress Form1 5000 2000\nwait 500");
        QCOMPARE(g.state()["sel"].toInt(), 0);
        QCOMPARE(g.state()["uni"].toArray()[3].toObject()["x"].toInt(), 0);
        g.run("check");
    }

    void aHiddenWindowTakesNoKeys() {
        // The battlefield exists hidden once a background is chosen; keys to it (or to the
        // hidden start menu during a battle) must not type into the cheat box or start a battle.
        Session s;
        Form1& f = s.gioca();
        f.focus = &f.cheater;
        f.hide();
        s.app.keyPress(f, 'v');
        QCOMPARE(QString::fromStdString(f.cheater.text()), QString());
        f.show();
        s.app.keyPress(f, 'v');
        QCOMPARE(QString::fromStdString(f.cheater.text()), QString("v"));
    }

    void closedWindowsGoUnderAScript() {
        // kolvar-replay runs no event loop, so the windows of closed forms, deleted later, piled
        // up for as long as a script ran: forty kilobytes a battle.
        Game g;
        g.run("click frmSplash Command1\nclose Form1");
        const qsizetype windows = QApplication::topLevelWidgets().size();
        for (int n = 0; n < 20; ++n) g.run("click frmSplash Command1\nwait 1000\nclose Form1");
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    }
};

QTEST_MAIN(ReliabilityTest)
#include "test_reliability.moc"
