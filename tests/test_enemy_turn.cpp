// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The enemy's clock and how a battle ends: the force field's fall and the announcement, the enemy
// turns (every enemy a step up, its aim along its column, shots one point stronger each, the unit
// hit wrecked or firing back), the counters at their bounds, and victory and defeat with their
// one message box. Played through script lines and checked on the program's dump; the probe only
// sets up situations that play would take long to reach (a unit at a precise place, the clock
// near a turn, a health value).

#include "harness.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>
#include <string>
#include <vector>

using namespace kolvar;

namespace {

int times(const QJsonArray& messages, const QString& text) {
    int n = 0;
    for (const QJsonValue& m : messages) n += m.toString() == text;
    return n;
}

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
    struct Shown {
        std::string text, title, news;
        bool enemyClock = false, training = false; ///< Timer1 and make still running
        int64_t before = 0, after = 0;
    };
    void messageBox(kt::Form* owner, const std::string& text, const std::string& title) override {
        Shown s{text, title, {}, false, false, g.app.clock.now(), 0};
        if (auto* f = dynamic_cast<Form1*>(owner)) {
            s.news = f->news.Caption;
            s.enemyClock = f->Timer1.enabled();
            s.training = f->make.enabled();
        }
        g.app.advance(5000);
        s.after = g.app.clock.now();
        shown.push_back(s);
    }
    Game& g;
    kt::Host& was;
    std::vector<Shown> shown;
};

} // namespace

class EnemyTurnTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Enemy turns ---------------------------------------------------------------------------

    void enemyTurnTiming() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(look(widget(g, "Line4(0)")), QString("0,255,0 4 1"));
        g.run("wait 19900");
        QCOMPARE(g.state()["clock"].toInt(), 199);
        QCOMPARE(f.news.Caption, std::string());
        g.run("wait 100");
        QCOMPARE(f.news.Caption, std::string(" lo scudo ha ceduto"));
        g.run("wait 4900");
        QCOMPARE(f.news.Caption, std::string(" lo scudo ha ceduto"));
        g.run("wait 100");
        QCOMPARE(g.state()["clock"].toInt(), 250);
        QCOMPARE(f.news.Caption, std::string("ALL ATTACCO"));
        g.run("wait 400");
        // No turn before 255: the enemies stand, the field shows, enemy 0 has no cell yet.
        QCOMPARE(at(widget(g, "ene(11)")), QString("600,6240"));
        QVERIFY(shown(g, "Line4(0)"));
        QCOMPARE(g.state()["enecell"].toArray()[0].toArray(), (QJsonArray{0, 0}));
        std::vector<float> tops, lefts;
        for (int i = 0; i <= 50; ++i) tops.push_back(f.ene[i].Top), lefts.push_back(f.ene[i].Left);
        g.run("wait 100");
        // The first turn: every enemy one step up, the field's line now enemy 0's shot line.
        QCOMPARE(g.state()["clock"].toInt(), 255);
        for (int i = 0; i <= 50; ++i) {
            QCOMPARE(f.ene[i].Top, tops[size_t(i)] - 50);
            QCOMPARE(f.ene[i].Left, lefts[size_t(i)]);
        }
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6190"));
        QCOMPARE(at(widget(g, "ene(45)")), QString("4680,5350"));
        QCOMPARE(at(widget(g, "ene(46)")), QString("5880,7510"));
        QCOMPARE(g.state()["enecell"].toArray()[0].toArray(), (QJsonArray{1, 6}));
        QCOMPARE(g.state()["enecell"].toArray()[45].toArray(), (QJsonArray{4, 5}));
        QVERIFY(!shown(g, "Line4(0)"));
        // Nobody stood in the aimed cells: no shot was fired.
        QCOMPARE(g.state()["dmg"].toInt(), 0);
        for (int i = 0; i <= 50; ++i) QVERIFY(!f.Line4[i].Visible);
        QCOMPARE(unit(g, 0)["hp"].toInt(), 50);
        g.run("wait 400");
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6190"));
        g.run("wait 100");
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6140"));
        g.run("wait 500");
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6090"));
        QCOMPARE(g.state()["clock"].toInt(), 265);
        QCOMPARE(f.news.Caption, std::string("ALL ATTACCO"));
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
        Form1& f = g.battle();
        put(f, 0, x, y);
        tickTo(g, 255);
        QCOMPARE(f.Line4[11].Visible, hit);
        QCOMPARE(f.Line4[19].Visible, hit);
        // Two shots in one turn: strength 1, then 2.
        QCOMPARE(unit(g, 0)["hp"].toInt(), hit ? 47 : 50);
        QCOMPARE(g.state()["dmg"].toInt(), hit ? 2 : 0);
        if (hit) {
            QCOMPARE(ends(widget(g, "Line4(11)")),
                     QString("720,6310 %1,%2").arg(x - 120).arg(y + 150));
            QCOMPARE(ends(widget(g, "Line4(19)")),
                     QString("720,6910 %1,%2").arg(x - 120).arg(y + 150));
            QCOMPARE(look(widget(g, "Line4(11)")), QString("0,0,255 1 1"));
        }
    }

    void lowerIndexIsHit() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 5), 1);
        QCOMPARE(train(g, 5), 2);
        // Unit 2 is nearer the enemies, unit 1 comes first in the table.
        put(f, 1, 300, 4500);
        put(f, 2, 300, 5500);
        tickTo(g, 255);
        QCOMPARE(unit(g, 1)["hp"].toInt(), 30 - 1 - 2);
        QCOMPARE(unit(g, 2)["hp"].toInt(), 30);
        // The commander in the aimed cells comes before everybody.
        put(f, 0, 300, 5200);
        g.run("wait 500");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 50 - 3 - 4);
        QCOMPARE(unit(g, 1)["hp"].toInt(), 27);
        QCOMPARE(unit(g, 2)["hp"].toInt(), 30);
    }

    void damageSequence() {
        Game g;
        Form1& f = g.battle();
        g.run("type Form1 cheater vildra");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 255);
        put(f, 0, 300, 5500);
        // Enemies 11 and 19 fire twice a turn; the strength runs 1..20 across both and across
        // turns, then starts again at 1.
        const int hp[] = {252, 245, 234, 219, 200, 177, 150, 119, 84, 45, 42};
        const int dmg[] = {2, 4, 6, 8, 10, 12, 14, 16, 18, 0, 2};
        tickTo(g, 254);
        for (int turn = 0; turn < 11; ++turn) {
            g.run("wait 500");
            QCOMPARE(unit(g, 0)["hp"].toInt(), hp[turn]);
            QCOMPARE(g.state()["dmg"].toInt(), dmg[turn]);
        }
        // The commander fired back every time and destroyed nobody.
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(g.state()["enedead"].toArray()[11].toInt(), 0);
        QCOMPARE(g.state()["enedead"].toArray()[19].toInt(), 0);
        QCOMPARE(picture(g, "ene(11)"), QString("ene"));
    }

    void destructionAndSurvival() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 5), 1);
        QCOMPARE(train(g, 5), 2);
        put(f, 1, 6300, 3300); // only enemy 50 aims there
        put(f, 2, 2000, 2000);
        g.run("click Form1 ima(2)");
        // A hit of exactly the health left is survived with 0.
        g.probe().uni()[1].hp = 5;
        g.probe().dmg() = 4;
        tickTo(g, 255);
        QCOMPARE(unit(g, 1)["hp"].toInt(), 0);
        QCOMPARE(unit(g, 1)["alive"].toInt(), -1);
        QCOMPARE(picture(g, "ima(1)"), QString("front_5"));
        QCOMPARE(int(g.probe().sel()), 2);
        // The next destroys it: a wreck where it stood, the selection back to the commander.
        g.run("wait 500");
        QCOMPARE(unit(g, 1)["alive"].toInt(), 0);
        QCOMPARE(unit(g, 1)["hp"].toInt(), 0);
        QCOMPARE(picture(g, "ima(1)"), QString("image1_0"));
        QCOMPARE(at(widget(g, "ima(1)")), QString("6300,3300"));
        QCOMPARE(int(g.probe().sel()), 0);
        QCOMPARE(at(widget(g, "sh")), QString("960,3395"));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 405.0);
        QCOMPARE(g.state()["dmg"].toInt(), 6);
        QCOMPARE(g.state()["c"].toInt(), 2);
        // A wreck is no target.
        g.run("wait 500");
        QCOMPARE(g.state()["dmg"].toInt(), 6);
        QVERIFY(!shown(g, "Line4(50)"));
        // Nor can it be selected: nothing changes, not even the open training panel.
        g.run("click Form1 ima(2)\nclick Form1 Image2");
        const QJsonObject marker = widget(g, "sh");
        g.run("click Form1 ima(1)");
        QCOMPARE(int(g.probe().sel()), 2);
        QVERIFY(shown(g, "Frame1"));
        QCOMPARE(widget(g, "sh"), marker);
    }

    void returnShot() {
        {
            Game g;
            Form1& f = g.battle();
            QCOMPARE(train(g, 2), 1);
            g.run("type Form1 cheater pelmantra gox"); // Timer2 stops: the line stays on screen
            tickTo(g, 201);
            // The player's last attack order, out of reach, on enemy 40.
            g.run(pressEnemy(f, 40, 2));
            QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
            f.news.Caption.clear();
            g.run("click Form1 ima(1)");
            put(f, 1, 6300, 3300);
            tickTo(g, 255);
            QCOMPARE(unit(g, 1)["hp"].toInt(), 29);
            // Shot back at enemy 50's corner, in plain red, destroying nothing.
            QVERIFY(shown(g, "Line3"));
            QCOMPARE(ends(widget(g, "Line3")), QString("6500,3500 6240,5110"));
            QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
            QCOMPARE(f.news.Caption, std::string());
            QCOMPARE(f.problemo, int16_t(0));
            QCOMPARE(g.state()["kills"].toInt(), 0);
            QCOMPARE(picture(g, "ene(50)"), QString("ene"));
            QCOMPARE(picture(g, "ene(40)"), QString("ene"));
            QCOMPARE(g.state()["enedead"].toArray()[40].toInt(), 0);
            QCOMPARE(g.state()["enedead"].toArray()[50].toInt(), 0);
            // The player's attack reference is left as the order put it.
            QCOMPARE(g.state()["tgx"].toDouble(), 11280.0);
            QCOMPARE(g.state()["tgy"].toDouble(), 6240.0);
            QCOMPARE(g.state()["target"].toInt(), 40);
            QCOMPARE(g.state()["hitene"].toInt(), -1);
            // Enemy 50 keeps coming and firing.
            g.run("wait 500");
            QCOMPARE(unit(g, 1)["hp"].toInt(), 27);
            QCOMPARE(ends(widget(g, "Line3")), QString("6500,3500 6240,5060"));
            QVERIFY(shown(g, "Line4(50)"));
            // Destroyed by the unit's own attack order, enemy 50 stops: no step, no line.
            g.run(pressEnemy(f, 50, 2));
            QCOMPARE(g.state()["kills"].toInt(), 1);
            g.run("wait 500");
            QVERIFY(!shown(g, "Line4(50)"));
            QCOMPARE(at(widget(g, "ene(50)")), QString("6240,5060"));
            QCOMPARE(unit(g, 1)["hp"].toInt(), 27);
        }
        {
            // With the movement clock running, a shot fired back in an enemy turn outlives that
            // instant's movement tick, or no window would ever paint it; the next tick hides it.
            Game g;
            Form1& f = g.battle();
            QCOMPARE(train(g, 2), 1);
            put(f, 1, 6300, 3300);
            tickTo(g, 255);
            QCOMPARE(unit(g, 1)["hp"].toInt(), 29);
            QVERIFY(shown(g, "Line3"));
            g.run("wait 100");
            QVERIFY(!shown(g, "Line3"));
        }
        {
            // The builder's reach is 0: it cannot shoot back.
            Game g;
            Form1& f = g.battle();
            QCOMPARE(train(g, 6), 1);
            put(f, 1, 6300, 3300);
            g.run("wait 100");
            const QJsonObject line = widget(g, "Line3");
            QVERIFY(!line["Visible"].toBool());
            g.probe().clock() = 254;
            g.run("type Form1 cheater pelmantra gox\nwait 100");
            QCOMPARE(unit(g, 1)["hp"].toInt(), 49);
            QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
            QCOMPARE(widget(g, "Line3"), line);
        }
    }

    void destroyedSelectedUnitTakesNoGroundOrders() {
        Game g;
        Form1& f = g.battle();
        Boxes boxes(g);
        g.run("wait 100\ntype Form1 cheater pelmantra gox"); // no defeat test from here on
        put(f, 0, 6300, 3300);
        g.probe().uni()[0].hp = 0;
        tickTo(g, 255);
        QCOMPARE(unit(g, 0)["alive"].toInt(), 0);
        QCOMPARE(picture(g, "ima(0)"), QString("image1_0"));
        QCOMPARE(int(g.probe().sel()), 0);
        const QJsonObject shot = widget(g, "Line3");
        f.news.Caption.clear();
        // Neither the turn of any button nor a shot brings the wreck back to life.
        g.run(press(5000, 2000, 1));
        g.run(press(8000, 2500, 4));
        g.run(press(5000, 2500, 2));
        QCOMPARE(picture(g, "ima(0)"), QString("image1_0"));
        QCOMPARE(unit(g, 0)["face"].toInt(), 0);
        QCOMPARE(widget(g, "Line3"), shot);
        QCOMPARE(f.news.Caption, std::string());
        // Nor does an attack order.
        g.run(pressEnemy(f, 10, 2));
        QCOMPARE(widget(g, "Line3"), shot);
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(g.state()["hitene"].toInt(), 0);
        QCOMPARE(g.state()["enedead"].toArray()[10].toInt(), 0);
        QVERIFY(boxes.shown.empty());
    }

    void countersStopAtTheirBounds() {
        Game g;
        Form1& f = g.battle();
        // A unit sent above the top edge counts as in row 0 (and is aimed at there).
        f.ene[47].Top = 600;
        tickTo(g, 201);
        g.run(press(1600, 700, 1));
        QCOMPARE(dest(unit(g, 0)), QString("1560,-400"));
        g.run("wait 3500");
        QCOMPARE(pos(unit(g, 0)), QString("1560,-400"));
        QCOMPARE(unit(g, 0)["row"].toInt(), 0);
        QCOMPARE(unit(g, 0)["col"].toInt(), 1);
        // An enemy walking right along the top edge stays in column 255.
        f.ene[12].Left = 255990;
        f.ene[12].Top = 20;
        tickTo(g, 255);
        QCOMPARE(at(widget(g, "ene(12)")), QString("256040,20"));
        QCOMPARE(g.state()["enecell"].toArray()[12].toArray(), (QJsonArray{255, 0}));
        QCOMPARE(at(widget(g, "ene(47)")), QString("1560,550"));
        QCOMPARE(unit(g, 0)["hp"].toInt(), 49);
        // kills stays at 255.
        g.probe().kills() = 255;
        put(f, 0, 960, 3000);
        g.run(pressEnemy(f, 11, 2));
        QCOMPARE(g.state()["enedead"].toArray()[11].toInt(), -1);
        QCOMPARE(g.state()["kills"].toInt(), 255);
        // The clock stops at 32767.
        g.probe().kills() = 0;
        g.probe().clock() = 32766;
        g.run("wait 300");
        QCOMPARE(g.state()["clock"].toInt(), 32767);
    }

    // ---- Whole battles -------------------------------------------------------------------------

    void battleWonByPlay() {
        Game g;
        Boxes boxes(g);
        g.run("click frmSplash Command1");
        QVERIFY(!g.exists("frmSplash"));
        Form1& f = *g.app.loaded<Form1>();
        // The commander walks to where every enemy is in its reach, the field falls.
        g.run(press(6000, 3500) + "wait 20100");
        QCOMPARE(pos(unit(g, 0)), QString("6000,3500"));
        QCOMPARE(g.state()["clock"].toInt(), 201);
        // 49 kills before the first turn: not yet a victory.
        std::string s;
        for (int i = 0; i <= 50; ++i)
            if (i != 38 && i != 40) s += pressEnemy(f, i, 2);
        g.run(s);
        QCOMPARE(g.state()["kills"].toInt(), 49);
        g.run("wait 5400");
        QCOMPARE(g.state()["clock"].toInt(), 255);
        QVERIFY(g.exists("Form1"));
        QCOMPARE(g.dump()["messages"].toArray().size(), 0);
        QCOMPARE(at(widget(g, "ene(38)")), QString("11160,6790"));
        // Two more between turns, 49 to 51: the next turn is a victory.
        g.run(pressEnemy(f, 38, 2) + pressEnemy(f, 40, 2));
        QCOMPARE(g.state()["kills"].toInt(), 51);
        g.run("wait 400");
        QVERIFY(g.exists("Form1"));
        g.run("wait 100");
        QVERIFY(!g.exists("Form1"));
        QVERIFY(g.window("frmSplash")["visible"].toBool());
        g.run("wait 3000");
        const QJsonArray messages = g.dump()["messages"].toArray();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(times(messages, "Hai vinto!!"), 1);
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].title, std::string("Kolvar"));
        QCOMPARE(boxes.shown[0].after, boxes.shown[0].before);
        // A new battle starts from nothing.
        g.run("click frmSplash Command1\nwait 100");
        QCOMPARE(g.state()["kills"].toInt(), 0);
        QCOMPARE(g.state()["clock"].toInt(), 1);
        QCOMPARE(g.state()["enedead"].toArray()[0].toInt(), 0);
    }

    void battleWonThroughTheReplayTool() {
        QString tool = kolvar::replayTool();
        if (tool.isEmpty())
            tool = QCoreApplication::applicationDirPath() + "/../tools/replay/kolvar-replay";
        if (!QFileInfo(tool).isExecutable()) QSKIP("kolvar-replay is not built");
        // A player's session: every enemy destroyed as soon as the field falls. The kills are
        // counted at the first turn, 255, and not before. Enemy places come from a fresh battle.
        Game g;
        Form1& f = g.battle();
        std::string script = "click frmSplash Command1\n" + press(6000, 3500) + "wait 20100\n";
        for (int i = 0; i <= 50; ++i) script += pressEnemy(f, i, 2);
        script += "wait 5300\ndump\nwait 100\ndump\nwait 3000\ndump\n";
        QProcess p;
        p.start(tool, {});
        QVERIFY(p.waitForStarted());
        p.write(QByteArray::fromStdString(script));
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QList<QByteArray> lines = p.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        const QJsonObject before = QJsonDocument::fromJson(lines[0]).object();
        const QJsonObject state =
            before["windows"].toObject()["Form1"].toObject()["state"].toObject();
        QCOMPARE(state["clock"].toInt(), 254);
        QCOMPARE(state["kills"].toInt(), 51);
        QCOMPARE(before["messages"].toArray().size(), 0);
        for (int n = 1; n <= 2; ++n) {
            const QJsonObject after = QJsonDocument::fromJson(lines[n]).object();
            QCOMPARE(after["messages"].toArray(), (QJsonArray{"Hai vinto!!"}));
            QVERIFY(!after["windows"].toObject().contains("Form1"));
            QVERIFY(after["windows"].toObject()["frmSplash"].toObject()["visible"].toBool());
        }
    }

    void battleLostByPlay() {
        Game g;
        Boxes boxes(g);
        g.run("click frmSplash Command1");
        // The commander stays where it starts, in column 0. Enemy 11 reaches row 5 at the
        // fifth turn and from then on hits it every turn: 1 + 2 + ... + 9 leaves 5 of 50.
        g.run("wait 27400");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 50);
        g.run("wait 100");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 49);
        g.run("wait 4400");
        g.run("click Form1 Image2\ndown Form1 Command1(3) 1 0 100 100"); // training when it falls
        QCOMPARE(g.state()["clock"].toInt(), 319);
        QCOMPARE(unit(g, 0)["hp"].toInt(), 5);
        QCOMPARE(g.state()["kills"].toInt(), 0);
        g.run("wait 100");
        QVERIFY(!g.exists("Form1"));
        QVERIFY(g.window("frmSplash")["visible"].toBool());
        QCOMPARE(boxes.shown.size(), size_t(1));
        QCOMPARE(boxes.shown[0].text, std::string(" Missione Fallita Game Over"));
        QCOMPARE(boxes.shown[0].title, std::string("Kolvar"));
        QCOMPARE(boxes.shown[0].news, std::string("Tovo e morto"));
        QVERIFY(!boxes.shown[0].enemyClock);
        QVERIFY(!boxes.shown[0].training);
        QCOMPARE(boxes.shown[0].after, boxes.shown[0].before);
        g.run("wait 5000");
        const QJsonArray messages = g.dump()["messages"].toArray();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(times(messages, " Missione Fallita Game Over"), 1);
        // A new battle starts from nothing.
        g.run("click frmSplash Command1");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 50);
        QCOMPARE(unit(g, 0)["alive"].toInt(), -1);
        QCOMPARE(g.state()["dmg"].toInt(), 0);
        QCOMPARE(g.state()["clock"].toInt(), 0);
    }
};

QTEST_MAIN(EnemyTurnTest)
#include "test_enemy_turn.moc"
