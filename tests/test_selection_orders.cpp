// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Units on the move and the orders the player gives them: a unit's steps toward its destination,
// the force field that holds units back while it stands, selecting a unit, the presses on the
// ground that send it, turn it and place the destination cross, and the shots: how far each kind
// reaches, the look of its line, and attack orders on the enemies, which the field refuses and
// which destroy only the enemy aimed at. Played through script lines and checked on the
// program's dump; the probe only sets up situations that play would take long to reach (a unit
// at a precise place, its destination, the clock near the field's fall).

#include "harness.h"

#include <QTest>
#include <string>

using namespace kolvar;

namespace {

const std::string outOfReach = " mannaggia nn ci arriva";

/// A unit of `kind` (10, the commander, is there from the start) standing at (x, y), selected.
int shooterAt(Game& g, int kind, int x, int y) {
    const int i = kind == 10 ? 0 : train(g, kind);
    put(g.battle(), i, x, y);
    g.run("click Form1 ima(" + std::to_string(i) + ")\nwait 100"); // the designed line is gone
    return i;
}

/// Sets where unit i is going without a press.
void headFor(Game& g, int i, int tx, int ty) {
    g.probe().uni()[size_t(i)].tx = int16_t(tx);
    g.probe().uni()[size_t(i)].ty = int16_t(ty);
}

QString xy(double x, double y) {
    return number(x) + "," + number(y);
}

} // namespace

class SelectionOrdersTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Movement ------------------------------------------------------------------------------

    void movementSteps_data() {
        QTest::addColumn<int>("clock");    // 0 to 200 while the force field stands
        QTest::addColumn<QString>("trip"); // from x,y to tx,ty
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("news");
        const QString refused = " nn puoi andare li", fell = " lo scudo ha ceduto";
        QTest::newRow("first step of 20") << 0 << "960,3000 2960,3500" << 1 << "1060,3025"
                                          << "";
        QTest::newRow("one step before arriving") << 0 << "960,3000 2960,3500" << 19 << "2860,3475"
                                                  << "";
        QTest::newRow("resting once there") << 0 << "960,3000 2960,3500" << 25 << "2960,3500"
                                            << "";
        QTest::newRow("up and left, 50 steps") << 0 << "5000,4000 2000,0" << 50 << "2000,0"
                                               << "";
        QTest::newRow("level destination") << 0 << "960,3000 3000,3000" << 5 << "960,3000"
                                           << "";
        QTest::newRow("straight below") << 0 << "960,3000 960,4000" << 5 << "960,3000"
                                        << "";
        QTest::newRow("within 100 twips") << 0 << "960,3000 1030,3060" << 5 << "960,3000"
                                          << "";
        QTest::newRow("exactly 100 twips: one step")
            << 0 << "960,3000 1020,3080" << 1 << "1020,3080"
            << "";
        QTest::newRow("halves down to even") << 0 << "1000,2000 1201,2101" << 1 << "1100,2050"
                                             << "";
        QTest::newRow("halves up to even") << 0 << "1000,2000 1203,2103" << 1 << "1102,2052"
                                           << "";
        QTest::newRow("negative halves") << 0 << "2000,2000 1797,1897" << 1 << "1898,1948"
                                         << "";
        // 30617 twips away: 306 hundreds, held at 255 steps rather than wrapping to 50.
        QTest::newRow("at most 255 steps") << 0 << "0,1000 30600,2020" << 1 << "120,1004"
                                           << "";
        // While the field stands no destination at or below 4320: it is put back to 4300.
        QTest::newRow("field, at 4320")
            << 100 << "960,3000 1960,4320" << 2 << "1022,3081" << refused;
        QTest::newRow("field, at 4319") << 100 << "960,3000 1960,4319" << 2 << "1085,3164"
                                        << "";
        QTest::newRow("field's last tick, below")
            << 199 << "960,3000 1960,5000" << 2 << "1022,3081" << refused;
        QTest::newRow("field's last tick, above")
            << 199 << "960,3000 1960,2000" << 2 << "1102,2858" << fell;
        QTest::newRow("fallen at 201, below") << 200 << "960,3000 1960,5000" << 2 << "1050,3182"
                                              << "";
    }
    void movementSteps() {
        QFETCH(int, clock);
        QFETCH(QString, trip);
        QFETCH(int, ticks);
        QFETCH(QString, after);
        QFETCH(QString, news);
        Game g;
        const QStringList from = trip.split(' ')[0].split(','), to = trip.split(' ')[1].split(',');
        put(g.battle(), 0, from[0].toInt(), from[1].toInt());
        headFor(g, 0, to[0].toInt(), to[1].toInt());
        g.probe().clock() = int16_t(clock);
        g.run("wait " + std::to_string(100 * ticks));
        QCOMPARE(pos(unit(g, 0)), after);
        QCOMPARE(at(widget(g, "ima(0)")), after); // the image walks with the record
        QCOMPARE(caption(g, "news"), news);
        QCOMPARE(dest(unit(g, 0)), to[0] + "," + (news.contains("nn") ? "4300" : to[1]));
    }

    void theMarkerAndHealthFollowTheSelectedUnit() {
        Game g;
        g.battle();
        QCOMPARE(caption(g, "OK(0)"), QString("50/50"));
        g.run(press(2960, 3500) + "wait 100");
        const double h = prop(g, "ima(0)", "Height");
        QCOMPARE(at(widget(g, "sh")), xy(1060, 3025 + h - 10));
        QCOMPARE(caption(g, "OK(0)"), QString("50"));
        QCOMPARE(at(widget(g, "OK(0)")), xy(1060, 3025 - h));
        // A unit that is not selected walks without the marker.
        QCOMPARE(train(g, 5), 1);
        g.run("click Form1 ima(1)");
        const QString marker = at(widget(g, "sh"));
        g.run("wait 300");
        QVERIFY(pos(unit(g, 0)) != QString("1060,3025"));
        QCOMPARE(at(widget(g, "sh")), marker);
    }

    // ---- Selection and ground orders -----------------------------------------------------------

    void facing_data() {
        QTest::addColumn<int>("ty"); // destination before the press (the unit stands at 6000, 2500)
        QTest::addColumn<int>("X");
        QTest::addColumn<int>("Y");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("sprite");
        const int y = 2500;
        QTest::newRow("up") << y << 6000 << 1500 << 1 << "backimage_10";
        QTest::newRow("down") << y << 6000 << 3500 << 1 << "front_10";
        QTest::newRow("left") << y << 5000 << 2500 << 1 << "sideimagel_10";
        QTest::newRow("mostly up") << y << 6300 << 1500 << 1 << "backimage_10";
        QTest::newRow("mostly right") << y << 7000 << 2200 << 1 << "sideimager_10";
        // On an exact diagonal the side view wins.
        QTest::newRow("diagonal up-left") << y << 5500 << 2000 << 1 << "sideimagel_10";
        QTest::newRow("diagonal down-right") << y << 6500 << 3000 << 1 << "sideimager_10";
        QTest::newRow("right press at its destination")
            << y << 7000 << 1500 << 2 << "sideimager_10";
        QTest::newRow("right press, destination below") << 3500 << 5000 << 1500 << 2 << "front_10";
        QTest::newRow("middle press, destination above")
            << 1500 << 7000 << 3500 << 4 << "backimage_10";
    }
    void facing() {
        QFETCH(int, ty);
        QFETCH(int, X);
        QFETCH(int, Y);
        QFETCH(int, button);
        QFETCH(QString, sprite);
        Game g;
        put(g.battle(), 0, 6000, 2500);
        headFor(g, 0, 6000, ty);
        g.probe().tgx() = 100, g.probe().tgy() = 200;
        const QString cross = ends(widget(g, "Line1"));
        g.run(press(X, Y, button));
        if (button != 1) QCOMPARE(ends(widget(g, "Line1")), cross); // only a left press moves it
        QCOMPARE(picture(g, "ima(0)"), sprite);
        // Whatever the sprite, the image is 450 twips wide after a press on the ground.
        QCOMPARE(widget(g, "ima(0)")["Width"].toDouble(), 450.0);
        QCOMPARE(dest(unit(g, 0)), button == 1 ? xy(X, Y) : xy(6000, ty));
        // A press on the ground is its own reference point.
        QCOMPARE(g.state()["tgx"].toDouble(), 0.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 0.0);
    }

    void pressCoordinatesRoundHalfToEven_data() {
        QTest::addColumn<double>("X");
        QTest::addColumn<double>("Y");
        QTest::addColumn<QString>("destination");
        QTest::newRow("100.5 to 100") << 100.5 << 2000.5 << "100,2000";
        QTest::newRow("101.5 to 102") << 101.5 << 2001.5 << "102,2002";
        QTest::newRow("not a half") << 100.25 << 2000.75 << "100,2001";
    }
    void pressCoordinatesRoundHalfToEven() {
        QFETCH(double, X);
        QFETCH(double, Y);
        QFETCH(QString, destination);
        Game g;
        g.battle();
        g.run(press(X, Y));
        QCOMPARE(dest(unit(g, 0)), destination);
        // The cross is drawn at the press itself, not at the rounded destination.
        QCOMPARE(ends(widget(g, "Line1")), xy(X - 120, Y - 120) + " " + xy(X + 120, Y + 120));
        QCOMPARE(ends(widget(g, "Line2")), xy(X + 120, Y - 120) + " " + xy(X - 120, Y + 120));
    }

    void groundPresses() {
        Game g;
        g.battle();
        // The marker under the commander, a shot line and the force field take no press: a
        // press on them is a press on the ground there.
        g.run(press(1000, 3500));
        QCOMPARE(dest(unit(g, 0)), QString("1000,3500"));
        // Two shots within one tick: one line, the second.
        g.run(press(3000, 2500, 2) + press(4000, 2000, 2));
        int lines = 0;
        const QJsonObject widgets = g.window("Form1")["widgets"].toObject();
        for (auto it = widgets.begin(); it != widgets.end(); ++it)
            if (it.key().startsWith("Line") && it.value().toObject()["Visible"].toBool()) ++lines;
        QCOMPARE(lines, 2 + 1 + 1); // the cross, the force field and the shot
        g.run(press(2580, 2600));   // the middle of the shot line from (1160, 3200) to (4000, 2000)
        QCOMPARE(dest(unit(g, 0)), QString("2580,2600"));
        g.run(press(3000, 4800)); // on the force field
        QCOMPARE(dest(unit(g, 0)), QString("3000,4800"));
    }

    void selectionAndTheBuilder() {
        Game g;
        Form1& f = g.battle();
        // Selecting the commander: marker under it, the training panel shut.
        g.run("click Form1 Image2\n" + press(1000, 3100));
        QCOMPARE(state(g, "sel"), 0);
        QCOMPARE(at(widget(g, "sh")), QString("960,3395"));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 405.0);
        QVERIFY(!shown(g, "Frame1"));
        QVERIFY(!shown(g, "Command1(5)"));
        QVERIFY(shown(g, "Command1(6)")); // it goes with its frame
        // The marker takes the width the image has at the click.
        g.run(press(1500, 2000, 4) + press(1000, 3100));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 450.0);
        // A click brings the record to where the image is, halves to even; the order is kept.
        f.ima[0].Left = 2000.5f, f.ima[0].Top = 3001.5f;
        headFor(g, 0, 4000, 2000);
        g.run("click Form1 ima(0)");
        QCOMPARE(pos(unit(g, 0)), QString("2000,3002"));
        QCOMPARE(dest(unit(g, 0)), QString("4000,2000"));
        put(f, 0, 960, 3000);

        // The builder: its selection opens the construction panel at its feet.
        QCOMPARE(train(g, 6), 1);
        g.run(press(3000, 3100));
        QCOMPARE(at(widget(g, "build")), xy(2940, 3000 + prop(g, "ima(1)", "Height")));
        // A left press moves the builder's order and the cross, and nothing else; a right press
        // does nothing at all: no turn, no shot, no notice.
        g.run(press(5000, 2000) + "wait 100");
        const QJsonObject shot = widget(g, "Line3");
        g.run(press(5000, 2500, 2));
        QCOMPARE(dest(unit(g, 1)), QString("5000,2000"));
        QCOMPARE(ends(widget(g, "Line1")), QString("4880,1880 5120,2120"));
        QCOMPARE(picture(g, "ima(1)"), QString("front_6"));
        QCOMPARE(widget(g, "ima(1)")["Width"].toDouble(), 350.0);
        QCOMPARE(widget(g, "Line3"), shot);
        QCOMPARE(caption(g, "news"), QString());
        // Selecting another kind leaves the construction panel open where it was.
        const QString panel = at(widget(g, "build"));
        g.run("click Form1 ima(0)");
        QVERIFY(shown(g, "build"));
        QCOMPARE(at(widget(g, "build")), panel);
    }

    // ---- Shots ---------------------------------------------------------------------------------

    void reachAndLookOfAShot_data() {
        QTest::addColumn<int>("kind"); // the shooter stands at (1000, 1500)
        QTest::addColumn<int>("X");
        QTest::addColumn<int>("Y");
        QTest::addColumn<QString>("look"); // empty: out of reach
        const QString red = "255,0,0 1 1", grey = "64,64,64 1 4", blue = "0,0,255 1 2";
        QTest::newRow("commander, 10000 right") << 10 << 11000 << 1500 << red;
        QTest::newRow("commander, 10001 right") << 10 << 11001 << 1500 << "";
        QTest::newRow("commander, 10000.8 floors to 10000") << 10 << 7000 << 9501 << red;
        QTest::newRow("commander, 10001.4") << 10 << 7001 << 9501 << "";
        QTest::newRow("kind 0, 6250 right") << 0 << 7250 << 1500 << grey;
        QTest::newRow("kind 1, 6250 right") << 1 << 7250 << 1500 << red;
        QTest::newRow("kind 2, 6250 right") << 2 << 7250 << 1500 << "255,0,255 4 1";
        QTest::newRow("kind 2, 6251 right") << 2 << 7251 << 1500 << "";
        QTest::newRow("kind 3, 6250 right") << 3 << 7250 << 1500 << grey;
        QTest::newRow("kind 3, 6251 right") << 3 << 7251 << 1500 << "";
        QTest::newRow("kind 4, 7500 right") << 4 << 8500 << 1500 << "0,255,0 2 1";
        QTest::newRow("kind 4, 7501 right") << 4 << 8501 << 1500 << "";
        QTest::newRow("kind 5, 5250 by 7000") << 5 << 6250 << 8500 << blue;
        QTest::newRow("kind 5, 8751 right") << 5 << 9751 << 1500 << "";
    }
    void reachAndLookOfAShot() {
        QFETCH(int, kind);
        QFETCH(int, X);
        QFETCH(int, Y);
        QFETCH(QString, look);
        Game g;
        const int i = shooterAt(g, kind, 1000, 1500);
        QCOMPARE(unit(g, i)["kind"].toInt(), kind);
        const QJsonObject before = widget(g, "Line3");
        g.run(press(X, Y, 2));
        if (look.isEmpty()) {
            QCOMPARE(widget(g, "Line3"), before);
            QCOMPARE(caption(g, "news"), QString::fromStdString(outOfReach));
            return;
        }
        QVERIFY(shown(g, "Line3"));
        QCOMPARE(ends(widget(g, "Line3")), "1200,1700 " + xy(X, Y));
        QCOMPARE(::kolvar::look(widget(g, "Line3")), look);
        QCOMPARE(caption(g, "news"), QString());
        QCOMPARE(g.state()["kills"].toInt(), 0); // a ground shot destroys nothing
        // The shooter turned right; the tank keeps the width of its own large sprites.
        QCOMPARE(widget(g, QStringLiteral("ima(%1)").arg(i))["Width"].toDouble(),
                 kind == 4 ? 1200.0 : 450.0);
        g.run("wait 100");
        QVERIFY(!shown(g, "Line3")); // a shot shows until the next tick
    }

    void theBuilderFiresOnlyFromTheEnemyCorner() {
        Game g;
        Form1& f = g.battle();
        trainBuilder(g); // its construction panel opens away from the enemies
        tickTo(g, 201);
        // One twip from enemy 12's corner is beyond a reach of 0.
        put(f, 1, 1081, 6240);
        g.run(press(1500, 6650, 2));
        QCOMPARE(caption(g, "news"), QString::fromStdString(outOfReach));
        QCOMPARE(g.state()["kills"].toInt(), 0);
        // On the corner itself it fires, from the builder (not from the image of slot 12).
        put(f, 1, 1080, 6240);
        g.run(press(1500, 6650, 2));
        QCOMPARE(ends(widget(g, "Line3")), QString("1280,6440 1500,6650"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
        QCOMPARE(picture(g, "ene(12)"), QString("image1_1"));
        QCOMPARE(g.state()["kills"].toInt(), 1);
    }

    void attackOrders() {
        Game g;
        Form1& f = g.battle();
        const QString refused = "can't shot trough the deflector shield";
        // While the field stands both buttons are refused, at 200 too, though the field's fall
        // is announced at that very tick; the reference still moves.
        tickTo(g, 200);
        g.run(pressEnemy(f, 40, 1) + pressEnemy(f, 11, 2));
        QCOMPARE(caption(g, "news"), refused);
        QCOMPARE(g.state()["tgx"].toDouble(), 600.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 6240.0);
        QCOMPARE(dest(unit(g, 0)), QString("960,3000"));
        QCOMPARE(g.state()["kills"].toInt(), 0);

        // At 201 the attack goes through: the enemy is destroyed, the line ends at the press.
        g.run("wait 100\n" + press(700, 6300, 2));
        QCOMPARE(picture(g, "ene(11)"), QString("image1_1"));
        QCOMPARE(g.state()["kills"].toInt(), 1);
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 700,6300"));
        QCOMPARE(look(widget(g, "Line3")), QString("255,0,0 1 1"));
        QCOMPARE(picture(g, "ima(0)"), QString("front_10")); // an attack does not turn the unit
        // Again on the wreck: the line, but no second kill.
        g.run(press(800, 6400, 2));
        QCOMPARE(ends(widget(g, "Line3")), QString("1160,3200 800,6400"));
        QCOMPARE(g.state()["kills"].toInt(), 1);

        // Out of reach: the notice, the enemy recorded as target, nothing destroyed; a ground
        // shot after it does not destroy the target either.
        g.run(pressEnemy(f, 40, 2));
        QCOMPARE(caption(g, "news"), QString::fromStdString(outOfReach));
        QCOMPARE(g.state()["target"].toInt(), 40);
        g.run(press(3000, 2000, 2));
        QCOMPARE(picture(g, "ene(40)"), QString("ene"));
        QCOMPARE(g.state()["kills"].toInt(), 1);

        // The middle button only moves the reference.
        g.run(pressEnemy(f, 12, 4));
        QCOMPARE(g.state()["tgx"].toDouble(), 1080.0);
        QCOMPARE(dest(unit(g, 0)), QString("960,3000"));

        // A destroyed enemy stands still at every turn, with its line hidden.
        tickTo(g, 255);
        QCOMPARE(at(widget(g, "ene(11)")), QString("600,6240"));
        QCOMPARE(at(widget(g, "ene(12)")), QString("1080,6190"));

        // A left press sends the unit to 1000 twips above the enemy, wreck or not, and moves
        // neither the cross nor the unit's picture.
        const QString cross = ends(widget(g, "Line1")), sprite = picture(g, "ima(0)");
        g.run(pressEnemy(f, 40, 1));
        QCOMPARE(dest(unit(g, 0)), QString("11280,5190"));
        g.run(press(700, 6300, 1));
        QCOMPARE(dest(unit(g, 0)), QString("600,5240"));
        QCOMPARE(ends(widget(g, "Line1")), cross);
        QCOMPARE(picture(g, "ima(0)"), sprite);
    }
};

QTEST_MAIN(SelectionOrdersTest)
#include "test_selection_orders.moc"
