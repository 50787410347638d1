// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The player's shots: how far each kind reaches, the look of its shot, shots at the ground, and
// attack orders on the enemies, which the force field refuses and which destroy only the enemy
// aimed at. Played through script lines and checked on the program's dump.

#include "harness.h"

#include <QTest>
#include <string>

using namespace kolvar;

class FiringTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Firing --------------------------------------------------------------------------------

    void reachBoundary_data() {
        QTest::addColumn<int>("kind"); // the shooter stands at (1000, 1500)
        QTest::addColumn<int>("X");
        QTest::addColumn<int>("Y");
        QTest::addColumn<bool>("fires");
        QTest::newRow("commander, 10000 right") << 10 << 11000 << 1500 << true;
        QTest::newRow("commander, 10001 right") << 10 << 11001 << 1500 << false;
        QTest::newRow("commander, 6000 by 8000") << 10 << 7000 << 9500 << true;
        QTest::newRow("commander, 10000.8 floors to 10000") << 10 << 7000 << 9501 << true;
        QTest::newRow("commander, 10001.4") << 10 << 7001 << 9501 << false;
        QTest::newRow("kind 5, 8750 right") << 5 << 9750 << 1500 << true;
        QTest::newRow("kind 5, 8751 right") << 5 << 9751 << 1500 << false;
        QTest::newRow("kind 5, 5250 by 7000") << 5 << 6250 << 8500 << true;
        QTest::newRow("kind 3, 6250 right") << 3 << 7250 << 1500 << true;
        QTest::newRow("kind 3, 6251 right") << 3 << 7251 << 1500 << false;
    }
    void reachBoundary() {
        QFETCH(int, kind);
        QFETCH(int, X);
        QFETCH(int, Y);
        QFETCH(bool, fires);
        Game g;
        Form1& f = g.battle();
        int shooter = 0;
        if (kind != 10) {
            shooter = train(g, kind);
            QCOMPARE(shooter, 1);
        }
        put(f, shooter, 1000, 1500);
        g.run("click Form1 ima(" + std::to_string(shooter) + ")");
        g.run("wait 100"); // the designed line is gone
        QVERIFY(!shown(g, "Line3"));
        const QJsonObject before = widget(g, "Line3");
        g.run(press(X, Y, 2));
        if (fires) {
            QVERIFY(shown(g, "Line3"));
            QCOMPARE(ends(widget(g, "Line3")), QString("1200,1700 %1,%2").arg(X).arg(Y));
            QCOMPARE(f.news.Caption, std::string());
        } else {
            QCOMPARE(widget(g, "Line3"), before);
            QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
        }
    }

    void shotLooks_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("player");
        QTest::newRow("kind 0") << 0 << "64,64,64 1 4";
        QTest::newRow("kind 1") << 1 << "255,0,0 1 1";
        QTest::newRow("kind 2") << 2 << "255,0,255 4 1";
        QTest::newRow("kind 3") << 3 << "64,64,64 1 4";
        QTest::newRow("kind 4") << 4 << "0,255,0 2 1";
        QTest::newRow("kind 5") << 5 << "0,0,255 1 2";
        QTest::newRow("commander") << 10 << "255,0,0 1 1";
        QTest::newRow("cheat kind") << 11 << "255,0,0 1 1";
    }
    void shotLooks() {
        QFETCH(int, kind);
        QFETCH(QString, player);
        Game g;
        Form1& f = g.battle();
        int shooter = 0;
        if (kind <= 5) {
            shooter = train(g, kind);
            QCOMPARE(shooter, 1);
        }
        put(f, shooter, 3000, 3000);
        g.run("click Form1 ima(" + std::to_string(shooter) + ")");
        if (kind == 11) g.run("type Form1 cheater dek mova");
        QCOMPARE(unit(g, shooter)["kind"].toInt(), kind);
        // The player's shot at the ground takes the look of the shooter's weapon.
        g.run(press(4000, 2000, 2));
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), QString("3200,3200 4000,2000"));
        QCOMPARE(look(widget(g, "Line3")), player);
        g.run("wait 100");
        QVERIFY(!shown(g, "Line3")); // a shot shows until the next tick

        // Its return shot is the plain red line, to the corner of the enemy that hit it. Only
        // enemy 50 aims at column 6, row 3 on the first turn.
        put(f, shooter, 6300, 3300);
        tickTo(g, 255);
        QCOMPARE(unit(g, shooter)["hp"].toInt(), shooter == 0 ? 49 : 29);
        QCOMPARE(ends(widget(g, "Line3")), QString("6500,3500 6240,5110"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
    }

    void groundShots() {
        Game g;
        Form1& f = g.battle();
        g.run("wait 100");
        // In reach of the clicked point: the line from the shooter to the press.
        g.run(press(3000, 2000, 2));
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 3000,2000"));
        // Two shots within one tick: one line, the second.
        g.run(press(4000, 2500, 2));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 4000,2500"));
        int lines = 0;
        const QJsonObject widgets = g.window("Form1")["widgets"].toObject();
        for (auto it = widgets.begin(); it != widgets.end(); ++it)
            if (it.key().startsWith("Line") && it.value().toObject()["Visible"].toBool()) ++lines;
        QCOMPARE(lines, 2 + 1 + 1); // the cross, the force field and the shot
        g.run("wait 100");
        QVERIFY(!shown(g, "Line3"));
        // The reach is measured to the clicked point: 10001 twips right of the commander is
        // out of reach although the window's corner is near.
        g.run(press(10961, 3000, 2));
        QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
        QVERIFY(!shown(g, "Line3"));
        g.run(press(10960, 3000, 2));
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 10960,3000"));
        // A ground shot destroys nothing.
        QCOMPARE(g.state()["kills"].toInt(), 0);
    }

    void builderFiresOnlyFromTheEnemyCorner() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(train(g, 6), 1);
        g.run("click Form1 ima(1)");
        tickTo(g, 201);
        // One twip from enemy 12's corner is beyond a reach of 0.
        put(f, 1, 1081, 6240);
        g.run(press(1500, 6650, 2));
        QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
        QCOMPARE(g.state()["enedead"].toArray()[12].toInt(), 0);
        QCOMPARE(int(g.probe().target()), 12);
        QCOMPARE(int(g.probe().hitene()), -1);
        // On the corner itself it fires, from the builder (not from the image of slot 12).
        put(f, 1, 1080, 6240);
        g.run(press(1500, 6650, 2));
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), QString("1280,6440 1500,6650"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
        QCOMPARE(picture(g, "ene(12)"), QString("image1_1"));
        QCOMPARE(g.state()["kills"].toInt(), 1);
    }

    // ---- Attack orders -------------------------------------------------------------------------

    void attackOrders() {
        Game g;
        Form1& f = g.battle();
        g.run("wait 100");
        const std::string refused = "can't shot trough the deflector shield";
        // While the field stands both buttons are refused; the reference still moves.
        g.run(pressEnemy(f, 11, 2));
        QCOMPARE(f.news.Caption, refused);
        QCOMPARE(g.state()["tgx"].toDouble(), 600.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 6240.0);
        QCOMPARE(g.state()["hitene"].toInt(), 0);
        QCOMPARE(picture(g, "ene(11)"), QString("ene"));
        g.run(pressEnemy(f, 40, 1));
        QCOMPARE(dest(unit(g, 0)), QString("960,3000"));
        QCOMPARE(g.state()["tgx"].toDouble(), 11280.0);
        // At 200 too, though the field's fall is announced at that very tick.
        tickTo(g, 200);
        QCOMPARE(f.news.Caption, std::string(" lo scudo ha ceduto"));
        g.run(pressEnemy(f, 11, 2));
        QCOMPARE(f.news.Caption, refused);
        QCOMPARE(g.state()["kills"].toInt(), 0);

        // At 201 the attack goes through: the enemy is destroyed, the line ends at the press.
        g.run("wait 100");
        f.news.Caption.clear();
        g.run(press(700, 6300, 2));
        QCOMPARE(picture(g, "ene(11)"), QString("image1_1"));
        QCOMPARE(g.state()["enedead"].toArray()[11].toInt(), -1);
        QCOMPARE(g.state()["kills"].toInt(), 1);
        QCOMPARE(g.state()["target"].toInt(), 11);
        QCOMPARE(g.state()["hitene"].toInt(), -1);
        QCOMPARE(f.problemo, int16_t(-1));
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 700,6300"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
        QCOMPARE(picture(g, "ima(0)"), QString("front_10")); // an attack does not turn the unit
        QCOMPARE(f.news.Caption, std::string());

        // Again on the wreck: the line, but no second kill.
        g.run(press(800, 6400, 2));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 800,6400"));
        QCOMPARE(g.state()["kills"].toInt(), 1);

        // Out of reach: the notice, the enemy recorded as target, nothing destroyed.
        g.run(pressEnemy(f, 40, 2));
        QCOMPARE(f.news.Caption, std::string(" mannaggia nn ci arriva"));
        QCOMPARE(g.state()["target"].toInt(), 40);
        QCOMPARE(g.state()["hitene"].toInt(), -1);
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 800,6400"));
        QCOMPARE(g.state()["enedead"].toArray()[40].toInt(), 0);
        // A ground shot after it neither repaints nor counts the target.
        g.run(press(3000, 2000, 2));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 3000,2000"));
        QCOMPARE(picture(g, "ene(40)"), QString("ene"));
        QCOMPARE(g.state()["enedead"].toArray()[40].toInt(), 0);
        QCOMPARE(g.state()["kills"].toInt(), 1);

        // The middle button only moves the reference.
        g.run(pressEnemy(f, 12, 4));
        QCOMPARE(g.state()["tgx"].toDouble(), 1080.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 6240.0);
        QCOMPARE(dest(unit(g, 0)), QString("960,3000"));
        QCOMPARE(g.state()["target"].toInt(), 40);

        // A destroyed enemy stands still at every turn, with its line hidden.
        tickTo(g, 255);
        QCOMPARE(at(widget(g, "ene(11)")), QString("600,6240"));
        QCOMPARE(at(widget(g, "ene(12)")), QString("1080,6190"));
        QVERIFY(!shown(g, "Line4(11)"));

        // A left press sends the unit to 1000 twips above the enemy, wreck or not, and moves
        // neither the cross nor the unit's picture.
        const QString cross = ends(widget(g, "Line1"));
        const QString sprite = picture(g, "ima(0)");
        g.run(pressEnemy(f, 40, 1));
        QCOMPARE(dest(unit(g, 0)), QString("11280,5190"));
        g.run(press(700, 6300, 1));
        QCOMPARE(dest(unit(g, 0)), QString("600,5240"));
        QCOMPARE(ends(widget(g, "Line1")), cross);
        QCOMPARE(picture(g, "ima(0)"), sprite);
    }
};

QTEST_MAIN(FiringTest)
#include "test_firing.moc"
