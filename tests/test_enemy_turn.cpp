// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The enemy's clock and how a battle ends: the force field's fall and the announcement, the enemy
// turns (every enemy a step up, its aim along its column, shots one point stronger each, the unit
// hit wrecked or firing back), the counters at their bounds, and victory and defeat with their
// one message box. Played through script lines and checked on the program's dump; the probe only
// sets up situations that play would take long to reach (a unit at a precise place, the clock
// near a turn, a health value).

#include "harness.h"

#include <QTest>
#include <string>

using namespace kolvar;

namespace {

/// Records every message box and, while it is open, tries to let time pass: no tick may run
/// under a box, or the end of a battle would be announced twice.
struct Boxes : kt::Host {
    explicit Boxes(Game& game)
        : g(game) {
        g.app.setHost(this);
    }
    ~Boxes() override { g.app.setHost(&was); }
    // The rest of the host's work is still the frontend's.
    void synced() override { was.synced(); }
    std::optional<std::pair<float, float>> measure(const kt::Font& font,
                                                   const std::string& text) override {
        return was.measure(font, text);
    }
    void messageBox(kt::Form* owner, const std::string& text, const std::string& title) override {
        const int64_t before = g.app.clock.now();
        QString seen = QString::fromStdString(text + "|" + title);
        if (auto* f = dynamic_cast<Form1*>(owner))
            seen += QString::asprintf("|%s|%d|%d", f->news.Caption.c_str(), f->Timer1.enabled(),
                                      f->make.enabled());
        g.app.advance(5000);
        shown << seen + (g.app.clock.now() == before ? "" : "|time passed");
    }
    Game& g;
    kt::Host& was = g.app.host();
    QStringList shown;
};

} // namespace

class EnemyTurnTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Enemy turns ---------------------------------------------------------------------------

    // Where the commander stands in column 0, where enemies 11 and 19 stand in row 6 after
    // their step, and whether they hit it.
    void enemyAim_data() {
        table({{"own row, bottom edge", "300 6999 1"},
               {"own row, top edge", "300 6000 1"},
               {"one row above", "300 5500 1"},
               {"two rows above, top edge", "300 4000 1"},
               {"two rows above, right edge of the column", "999 4000 1"},
               {"three rows above, bottom edge", "300 3999 0"},
               {"one row below", "300 7000 0"}});
    }
    void enemyAim() {
        const auto [x, y, hit] = ints<3>();
        Game g;
        put(g.battle(), 0, x, y);
        tickTo(g, 255);
        // Two shots in one turn: strength 1, then 2.
        CHECK_FIELDS(g, "Line4(11).Visible Line4(19).Visible uni[0].hp",
                     hit ? "true true 47" : "false false 50");
        if (hit)
            CHECK_FIELDS(g, "Line4(19).ends Line4(11).look",
                         QString("'720,6910 %1,%2' '0,0,255 1 1'").arg(x - 120).arg(y + 150));
    }

    void theFirstUnitInTheTableIsHit() {
        Battle g;
        QCOMPARE(train(g, 5), 1);
        QCOMPARE(train(g, 5), 2);
        // Unit 2 is nearer the enemies, unit 1 comes first in the table.
        put(g.f, 1, 300, 4500);
        put(g.f, 2, 300, 5500);
        tickTo(g, 255);
        CHECK_FIELDS(g, "uni[1].hp uni[2].hp", "27 30"); // 30 - 1 - 2
        // The commander in the aimed cells comes before everybody.
        put(g.f, 0, 300, 5200);
        CHECK_STEPS(g, {{"wait 500", "uni[0].hp uni[1].hp", "43 27"}}); // 50 - 3 - 4
    }

    void damageSequenceToTheWreck() {
        Battle g;
        put(g.f, 0, 300, 5500);
        g.run("type Form1 cheater vildra");
        // Enemies 11 and 19 fire twice a turn; the strength runs 1..20 across both and across
        // turns, then starts again at 1. The commander fires back every time, in vain.
        tickTo(g, 254);
        for (const char* left :
             {"252", "245", "234", "219", "200", "177", "150", "119", "84", "45", "42"}) {
            g.run("wait 500");
            CHECK_FIELDS(g, "uni[0].hp", left);
        }
        CHECK_FIELDS(g, "kills ene(11).Picture", "0 ene");
        // Struck down at last, the commander is a wreck. Neither the turn of any button nor a
        // shot nor an attack brings it back to life.
        g.run("text Form1 cheater pelmantra gox"); // no defeat test from here on
        g.probe().uni()[0].hp = 0;
        CHECK_STEPS(g, {{"wait 500", "uni[0].alive", "0"}});
        const QString shot = fields(g, "Line3");
        g.f.news.Caption.clear();
        CHECK_STEPS(g, {{press(5000, 2000, 1) + press(8000, 2500, 4) + press(5000, 2500, 2) +
                             pressEnemy(g.f, 10, 2),
                         "ima(0).Picture uni[0].face Line3 news.Caption kills",
                         "image1_0 0 " + shot + " '' 0"}});
    }

    void destructionAndSurvival() {
        Battle g;
        QCOMPARE(train(g, 6), 1);
        QCOMPARE(train(g, 5), 2);
        put(g.f, 1, 6300, 3300); // only enemy 50 aims there
        g.run("click Form1 ima(2)");
        const QString line = fields(g, "Line3");
        // A hit of exactly the health left is survived with 0. The builder, out of reach from
        // anywhere, cannot shoot back.
        g.probe().uni()[1].hp = 5;
        g.probe().dmg() = 4;
        tickTo(g, 255);
        CHECK_FIELDS(g, "uni[1].hp uni[1].alive sel news.Caption Line3",
                     "0 -1 2 ' mannaggia nn ci arriva' " + line);
        // The next destroys it: a wreck where it stood, the selection back to the commander.
        // A wreck is no target.
        CHECK_STEPS(g, {{"wait 500", "uni[1].alive ima(1).Picture ima(1).at sel sh.at sh.Width",
                         "0 image1_0 6300,3300 0 960,3395 405"},
                        {"wait 500", "dmg Line4(50).Visible", "6 false"}});
        // Nor can it be selected: nothing changes, not even the open training panel.
        g.run("click Form1 ima(2)\nclick Form1 Image2");
        const QString marker = fields(g, "sh");
        CHECK_STEPS(g, {{"click Form1 ima(1)", "sel Frame1.Visible sh", "2 true " + marker}});
    }

    void returnShot() {
        Battle g;
        QCOMPARE(train(g, 2), 1);
        tickTo(g, 201);
        // The player's last attack order, out of reach, on enemy 40.
        g.run(pressEnemy(g.f, 40, 2) + "click Form1 ima(1)");
        put(g.f, 1, 6300, 3300);
        tickTo(g, 255);
        // Shot back at enemy 50's corner, in plain red, destroying nothing; the player's attack
        // reference is left as the order put it. The shot outlives that instant's movement tick,
        // or no window would ever paint it.
        CHECK_FIELDS(g,
                     "uni[1].hp Line3.ends Line3.look kills enedead[50] tgx tgy target "
                     "Line3.Visible",
                     "29 '6500,3500 6240,5110' '255,0,0 1 1' 0 0 11280 6240 40 true");
        CHECK_STEPS(g, {{"wait 100", "Line3.Visible", "false"}, {"wait 400", "uni[1].hp", "27"}});
        // Destroyed by the unit's own attack order, enemy 50 stops: no step, no line.
        g.run(pressEnemy(g.f, 50, 2) + "wait 500");
        CHECK_FIELDS(g, "kills Line4(50).Visible ene(50).at uni[1].hp", "1 false 6240,5060 27");
    }

    void countersStopAtTheirBounds() {
        Battle g;
        // A unit sent above the top edge counts as in row 0 (and is aimed at there).
        g.f.ene[47].Top = 600;
        tickTo(g, 201);
        CHECK_STEPS(g,
                    {{press(1600, 700, 1) + "wait 3500", "uni[0].pos uni[0].row", "1560,-400 0"}});
        // An enemy walking right along the top edge stays in column 255.
        g.f.ene[12].Left = 255990;
        g.f.ene[12].Top = 20;
        tickTo(g, 255);
        CHECK_FIELDS(g, "ene(12).at enecell[12] ene(47).at uni[0].hp",
                     "256040,20 [255,0] 1560,550 49");
        // kills stays at 255.
        g.probe().kills() = 255;
        put(g.f, 0, 960, 3000);
        CHECK_STEPS(g, {{pressEnemy(g.f, 11, 2), "enedead[11] kills", "-1 255"}});
        // The clock stops at 32767, and the turns keep their rhythm past it.
        g.probe().kills() = 0;
        g.probe().clock() = 32766;
        const float top = g.f.ene[0].Top;
        CHECK_STEPS(g, {{"wait 500", "clock ene(0).Top", "32767 " + number(top - 50)}});
    }

    // ---- Whole battles -------------------------------------------------------------------------

    void aBattleWonAndOneLostByPlay() {
        Game g;
        Boxes boxes(g);
        g.run("click frmSplash Command1");
        Form1& f = *g.app.loaded<Form1>();
        // The commander walks to where every enemy is in its reach, the field falls.
        g.run(press(6000, 3500) + "wait 20100");
        // 49 kills before the first turn: not yet a victory.
        std::string s;
        for (int i = 0; i <= 50; ++i)
            if (i != 38 && i != 40) s += pressEnemy(f, i, 2);
        g.run(s + "wait 5400");
        CHECK_FIELDS(g, "kills clock", "49 255");
        QVERIFY(boxes.shown.isEmpty());
        // One more between turns, 49 to 50: the next turn is a victory.
        CHECK_STEPS(g, {{pressEnemy(f, 38, 2) + "wait 400", "Form1.loaded", "true"},
                        {"wait 100", "Form1 frmSplash.visible", "none true"},
                        {"wait 3000", "messages", "'[\"Hai vinto!!\"]'"}});
        QCOMPARE(boxes.shown, QStringList{"Hai vinto!!|Kolvar|ALL ATTACCO|1|0"});

        // A new battle starts from nothing, under the force field. The commander stays where it
        // starts, in column 0.
        QString lines;
        for (int i = 1; i <= 50; ++i) lines += QString(" Line4(%1).Visible").arg(i);
        CHECK_STEPS(
            g,
            {{"click frmSplash Command1\nwait 100",
              "kills clock enedead[0] uni[0].hp dmg Line4(0).look", "0 1 0 50 0 '0,255,0 4 1'"},
             {"wait 19800", "news.Caption", "''"},
             {"wait 100", "news.Caption", "' lo scudo ha ceduto'"},
             {"wait 5000", "news.Caption", "'ALL ATTACCO'"},
             // No turn before 255: the enemies stand, the field shows, enemy 0 has
             // no cell yet.
             {"wait 400", "ene(0).at Line4(0).Visible enecell[0] enecell[1]" + lines,
              "1560,6240 true [0,0] [2,6]" + QString(" false").repeated(50)},
             // The first turn: every enemy one step up, the field's line now enemy
             // 0's shot line; nobody stood in the aimed cells.
             {"wait 100", "clock ene(0).at ene(46).at enecell[0] enecell[45] Line4(0).Visible dmg",
              "255 1560,6190 5880,7510 [1,6] [4,5] false 0"},
             // Then a turn every fifth tick.
             {"wait 400", "ene(0).at", "1560,6190"},
             {"wait 100", "ene(0).at", "1560,6140"},
             // Enemy 11 reaches row 5 at the fifth turn and from then on hits the
             // commander every turn: 1 + 2 + ... + 9 leaves 5 of 50.
             {"wait 1400", "uni[0].hp", "50"},
             {"wait 100", "uni[0].hp", "49"},
             // Training when it falls.
             {"wait 4400\nclick Form1 Image2\ndown Form1 Command1(3) 1 0 100 100", "uni[0].hp",
              "5"},
             {"wait 100", "Form1 frmSplash.visible", "none true"}});
        // Both clocks stopped under the box.
        QCOMPARE(boxes.shown.last(), " Missione Fallita Game Over|Kolvar|Tovo e morto|0|0");
        CHECK_STEPS(
            g, {{"wait 5000", "messages", "'[\"Hai vinto!!\",\" Missione Fallita Game Over\"]'"},
                {"click frmSplash Command1", "uni[0].hp dmg", "50 0"}});
        QCOMPARE(boxes.shown.size(), 2);
    }
};

QTEST_MAIN(EnemyTurnTest)
#include "test_enemy_turn.moc"
