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
#include <vector>

using namespace kolvar;

namespace {

/// Records every message box and, while it is open, tries to let time pass: no tick may run
/// under a box, or the end of a battle would be announced twice.
struct Boxes : kt::Host {
    explicit Boxes(Game& game)
        : g(game)
        , was(game.app.host()) {
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
            seen += QString("|%1|%2|%3")
                        .arg(QString::fromStdString(f->news.Caption))
                        .arg(f->Timer1.enabled())
                        .arg(f->make.enabled());
        g.app.advance(5000);
        shown << seen + (g.app.clock.now() == before ? "" : "|time passed");
    }
    Game& g;
    kt::Host& was;
    QStringList shown;
};

int hp(Game& g, int i) {
    return unit(g, i)["hp"].toInt();
}
int enedead(Game& g, int i) {
    return g.state()["enedead"].toArray()[i].toInt();
}
QJsonArray cell(Game& g, int i) {
    return g.state()["enecell"].toArray()[i].toArray();
}

} // namespace

class EnemyTurnTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Enemy turns ---------------------------------------------------------------------------

    void enemyTurnTiming() {
        Game g;
        g.battle();
        QCOMPARE(look(widget(g, "Line4(0)")), QString("0,255,0 4 1")); // the force field
        g.run("wait 19900");
        QCOMPARE(caption(g, "news"), QString());
        g.run("wait 100");
        QCOMPARE(caption(g, "news"), QString(" lo scudo ha ceduto"));
        g.run("wait 5000");
        QCOMPARE(caption(g, "news"), QString("ALL ATTACCO"));
        g.run("wait 400");
        // No turn before 255: the enemies stand, the field shows, enemy 0 has no cell yet.
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6240"));
        QVERIFY(shown(g, "Line4(0)"));
        QCOMPARE(cell(g, 0), (QJsonArray{0, 0}));
        QCOMPARE(cell(g, 1), (QJsonArray{2, 6}));
        for (int i = 1; i <= 50; ++i) QVERIFY(!shown(g, QStringLiteral("Line4(%1)").arg(i)));
        g.run("wait 100");
        // The first turn: every enemy one step up, the field's line now enemy 0's shot line.
        QCOMPARE(g.state()["clock"].toInt(), 255);
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6190"));
        QCOMPARE(at(widget(g, "ene(46)")), QString("5880,7510"));
        QCOMPARE(cell(g, 0), (QJsonArray{1, 6}));
        QCOMPARE(cell(g, 45), (QJsonArray{4, 5}));
        QVERIFY(!shown(g, "Line4(0)"));
        QCOMPARE(g.state()["dmg"].toInt(), 0); // nobody stood in the aimed cells
        // Then a turn every fifth tick.
        g.run("wait 400");
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6190"));
        g.run("wait 100");
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6140"));
    }

    void enemyAim_data() {
        // The commander in column 0, where enemies 11 and 19 stand in row 6 after their step.
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("hit");
        QTest::newRow("own row, bottom edge") << 300 << 6999 << true;
        QTest::newRow("own row, top edge") << 300 << 6000 << true;
        QTest::newRow("one row above") << 300 << 5500 << true;
        QTest::newRow("two rows above, top edge") << 300 << 4000 << true;
        QTest::newRow("two rows above, right edge of the column") << 999 << 4000 << true;
        QTest::newRow("three rows above, bottom edge") << 300 << 3999 << false;
        QTest::newRow("one row below") << 300 << 7000 << false;
    }
    void enemyAim() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, hit);
        Game g;
        put(g.battle(), 0, x, y);
        tickTo(g, 255);
        QCOMPARE(shown(g, "Line4(11)"), hit);
        QCOMPARE(shown(g, "Line4(19)"), hit);
        // Two shots in one turn: strength 1, then 2.
        QCOMPARE(hp(g, 0), hit ? 47 : 50);
        if (hit) {
            QCOMPARE(ends(widget(g, "Line4(19)")),
                     QString("720,6910 %1,%2").arg(x - 120).arg(y + 150));
            QCOMPARE(look(widget(g, "Line4(11)")), QString("0,0,255 1 1"));
        }
    }

    void theFirstUnitInTheTableIsHit() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 5), 1);
        QCOMPARE(train(g, 5), 2);
        // Unit 2 is nearer the enemies, unit 1 comes first in the table.
        put(f, 1, 300, 4500);
        put(f, 2, 300, 5500);
        tickTo(g, 255);
        QCOMPARE(hp(g, 1), 30 - 1 - 2);
        QCOMPARE(hp(g, 2), 30);
        // The commander in the aimed cells comes before everybody.
        put(f, 0, 300, 5200);
        g.run("wait 500");
        QCOMPARE(hp(g, 0), 50 - 3 - 4);
        QCOMPARE(hp(g, 1), 27);
    }

    void damageSequence() {
        Game g;
        put(g.battle(), 0, 300, 5500);
        g.run("type Form1 cheater vildra");
        // Enemies 11 and 19 fire twice a turn; the strength runs 1..20 across both and across
        // turns, then starts again at 1. The commander fires back every time, in vain.
        const int left[] = {252, 245, 234, 219, 200, 177, 150, 119, 84, 45, 42};
        tickTo(g, 254);
        for (int turn = 0; turn < 11; ++turn) {
            g.run("wait 500");
            QCOMPARE(hp(g, 0), left[turn]);
        }
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(picture(g, "ene(11)"), QString("ene"));
    }

    void destructionAndSurvival() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 5), 1);
        QCOMPARE(train(g, 5), 2);
        put(f, 1, 6300, 3300); // only enemy 50 aims there
        g.run("click Form1 ima(2)");
        // A hit of exactly the health left is survived with 0.
        g.probe().uni()[1].hp = 5;
        g.probe().dmg() = 4;
        tickTo(g, 255);
        QCOMPARE(hp(g, 1), 0);
        QCOMPARE(unit(g, 1)["alive"].toInt(), -1);
        QCOMPARE(state(g, "sel"), 2);
        // The next destroys it: a wreck where it stood, the selection back to the commander.
        g.run("wait 500");
        QCOMPARE(unit(g, 1)["alive"].toInt(), 0);
        QCOMPARE(picture(g, "ima(1)"), QString("image1_0"));
        QCOMPARE(at(widget(g, "ima(1)")), QString("6300,3300"));
        QCOMPARE(state(g, "sel"), 0);
        QCOMPARE(at(widget(g, "sh")), QString("960,3395"));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 405.0);
        // A wreck is no target.
        g.run("wait 500");
        QCOMPARE(g.state()["dmg"].toInt(), 6);
        QVERIFY(!shown(g, "Line4(50)"));
        // Nor can it be selected: nothing changes, not even the open training panel.
        g.run("click Form1 ima(2)\nclick Form1 Image2");
        const QJsonObject marker = widget(g, "sh");
        g.run("click Form1 ima(1)");
        QCOMPARE(state(g, "sel"), 2);
        QVERIFY(shown(g, "Frame1"));
        QCOMPARE(widget(g, "sh"), marker);
    }

    void returnShot() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 2), 1);
        tickTo(g, 201);
        // The player's last attack order, out of reach, on enemy 40.
        g.run(pressEnemy(f, 40, 2) + "click Form1 ima(1)");
        put(f, 1, 6300, 3300);
        tickTo(g, 255);
        // Shot back at enemy 50's corner, in plain red, destroying nothing.
        QCOMPARE(hp(g, 1), 29);
        QCOMPARE(ends(widget(g, "Line3")), QString("6500,3500 6240,5110"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(enedead(g, 50), 0);
        // The player's attack reference is left as the order put it.
        QCOMPARE(g.state()["tgx"].toDouble(), 11280.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 6240.0);
        QCOMPARE(g.state()["target"].toInt(), 40);
        // The shot outlives that instant's movement tick, or no window would ever paint it.
        QVERIFY(shown(g, "Line3"));
        g.run("wait 100");
        QVERIFY(!shown(g, "Line3"));
        // Destroyed by the unit's own attack order, enemy 50 stops: no step, no line.
        g.run("wait 400");
        QCOMPARE(hp(g, 1), 27);
        g.run(pressEnemy(f, 50, 2) + "wait 500");
        QCOMPARE(g.state()["kills"].toInt(), 1);
        QVERIFY(!shown(g, "Line4(50)"));
        QCOMPARE(at(widget(g, "ene(50)")), QString("6240,5060"));
        QCOMPARE(hp(g, 1), 27);
    }

    void theBuilderCannotShootBack() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 6), 1);
        put(f, 1, 6300, 3300);
        g.run("wait 100");
        const QJsonObject line = widget(g, "Line3");
        tickTo(g, 255);
        QCOMPARE(hp(g, 1), 49);
        QCOMPARE(caption(g, "news"), QString(" mannaggia nn ci arriva"));
        QCOMPARE(widget(g, "Line3"), line);
    }

    void aWreckTakesNoOrders() {
        Game g;
        Form1& f = g.battle();
        g.run("wait 100\ntype Form1 cheater pelmantra gox"); // no defeat test from here on
        put(f, 0, 6300, 3300);
        g.probe().uni()[0].hp = 0;
        tickTo(g, 255);
        QCOMPARE(unit(g, 0)["alive"].toInt(), 0);
        const QJsonObject shot = widget(g, "Line3");
        f.news.Caption.clear();
        // Neither the turn of any button nor a shot nor an attack brings the wreck back to life.
        g.run(press(5000, 2000, 1) + press(8000, 2500, 4) + press(5000, 2500, 2) +
              pressEnemy(f, 10, 2));
        QCOMPARE(picture(g, "ima(0)"), QString("image1_0"));
        QCOMPARE(unit(g, 0)["face"].toInt(), 0);
        QCOMPARE(widget(g, "Line3"), shot);
        QCOMPARE(caption(g, "news"), QString());
        QCOMPARE(g.state()["kills"].toInt(), 0);
    }

    void countersStopAtTheirBounds() {
        Game g;
        Form1& f = g.battle();
        // A unit sent above the top edge counts as in row 0 (and is aimed at there).
        f.ene[47].Top = 600;
        tickTo(g, 201);
        g.run(press(1600, 700, 1) + "wait 3500");
        QCOMPARE(pos(unit(g, 0)), QString("1560,-400"));
        QCOMPARE(unit(g, 0)["row"].toInt(), 0);
        // An enemy walking right along the top edge stays in column 255.
        f.ene[12].Left = 255990;
        f.ene[12].Top = 20;
        tickTo(g, 255);
        QCOMPARE(at(widget(g, "ene(12)")), QString("256040,20"));
        QCOMPARE(cell(g, 12), (QJsonArray{255, 0}));
        QCOMPARE(at(widget(g, "ene(47)")), QString("1560,550"));
        QCOMPARE(hp(g, 0), 49);
        // kills stays at 255.
        g.probe().kills() = 255;
        put(f, 0, 960, 3000);
        g.run(pressEnemy(f, 11, 2));
        QCOMPARE(enedead(g, 11), -1);
        QCOMPARE(g.state()["kills"].toInt(), 255);
        // The clock stops at 32767, and the turns keep their rhythm past it.
        g.probe().kills() = 0;
        g.probe().clock() = 32766;
        const double top = prop(g, "ene(0)", "Top");
        g.run("wait 500");
        QCOMPARE(g.state()["clock"].toInt(), 32767);
        QCOMPARE(prop(g, "ene(0)", "Top"), top - 50);
    }

    // ---- Whole battles -------------------------------------------------------------------------

    void battleWonByPlay() {
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
        QCOMPARE(g.state()["kills"].toInt(), 49);
        QCOMPARE(g.state()["clock"].toInt(), 255);
        QVERIFY(boxes.shown.isEmpty());
        // One more between turns, 49 to 50: the next turn is a victory.
        g.run(pressEnemy(f, 38, 2) + "wait 400");
        QVERIFY(g.exists("Form1"));
        g.run("wait 100");
        QVERIFY(!g.exists("Form1"));
        QVERIFY(g.window("frmSplash")["visible"].toBool());
        g.run("wait 3000");
        QCOMPARE(g.dump()["messages"].toArray(), (QJsonArray{"Hai vinto!!"}));
        QCOMPARE(boxes.shown, QStringList{"Hai vinto!!|Kolvar|ALL ATTACCO|1|0"});
        // A new battle starts from nothing.
        g.run("click frmSplash Command1\nwait 100");
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(g.state()["clock"].toInt(), 1);
        QCOMPARE(enedead(g, 0), 0);
    }

    void battleLostByPlay() {
        Game g;
        Boxes boxes(g);
        g.run("click frmSplash Command1");
        // The commander stays where it starts, in column 0. Enemy 11 reaches row 5 at the
        // fifth turn and from then on hits it every turn: 1 + 2 + ... + 9 leaves 5 of 50.
        g.run("wait 27400");
        QCOMPARE(hp(g, 0), 50);
        g.run("wait 100");
        QCOMPARE(hp(g, 0), 49);
        g.run("wait 4400");
        g.run("click Form1 Image2\ndown Form1 Command1(3) 1 0 100 100"); // training when it falls
        QCOMPARE(hp(g, 0), 5);
        g.run("wait 100");
        QVERIFY(!g.exists("Form1"));
        QVERIFY(g.window("frmSplash")["visible"].toBool());
        // Both clocks stopped under the box.
        QCOMPARE(boxes.shown, QStringList{" Missione Fallita Game Over|Kolvar|Tovo e morto|0|0"});
        g.run("wait 5000");
        QCOMPARE(g.dump()["messages"].toArray(), (QJsonArray{" Missione Fallita Game Over"}));
        // A new battle starts from nothing.
        g.run("click frmSplash Command1");
        QCOMPARE(hp(g, 0), 50);
        QCOMPARE(g.state()["dmg"].toInt(), 0);
    }
};

QTEST_MAIN(EnemyTurnTest)
#include "test_enemy_turn.moc"
