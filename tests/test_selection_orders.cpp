// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Units on the move and the orders that move them: a unit's steps toward its destination, the
// force field that holds units back while it stands, selecting a unit, and the presses on the
// ground that send it, turn it and place the destination cross. Played through script lines and
// checked on the program's dump; the probe only sets up situations that play would take long to
// reach (a unit at a precise place, the clock near the field's fall).

#include "harness.h"

#include <QTest>
#include <string>

using namespace kolvar;

class SelectionOrdersTest : public QObject {
    Q_OBJECT
private slots:
    // ---- Movement ------------------------------------------------------------------------------

    void movementSteps_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("tx");
        QTest::addColumn<int>("ty");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("after");
        QTest::newRow("first step of a 20-step trip")
            << 960 << 3000 << 2960 << 3500 << 1 << "1060,3025";
        QTest::newRow("one step before arriving")
            << 960 << 3000 << 2960 << 3500 << 19 << "2860,3475";
        QTest::newRow("exactly on target after 20")
            << 960 << 3000 << 2960 << 3500 << 20 << "2960,3500";
        QTest::newRow("resting once there") << 960 << 3000 << 2960 << 3500 << 25 << "2960,3500";
        QTest::newRow("up and left, 50 steps") << 5000 << 4000 << 2000 << 0 << 50 << "2000,0";
        QTest::newRow("level destination") << 960 << 3000 << 3000 << 3000 << 5 << "960,3000";
        QTest::newRow("destination straight above")
            << 960 << 3000 << 960 << 1800 << 5 << "960,3000";
        QTest::newRow("destination straight below")
            << 960 << 3000 << 960 << 4000 << 5 << "960,3000";
        QTest::newRow("within 100 twips") << 960 << 3000 << 1030 << 3060 << 5 << "960,3000";
        QTest::newRow("exactly 100 twips: one step")
            << 960 << 3000 << 1020 << 3080 << 1 << "1020,3080";
        QTest::newRow("halves go down to even") << 1000 << 2000 << 1201 << 2101 << 1 << "1100,2050";
        QTest::newRow("halves go up to even") << 1000 << 2000 << 1203 << 2103 << 1 << "1102,2052";
        QTest::newRow("negative halves to even")
            << 2000 << 2000 << 1797 << 1897 << 1 << "1898,1948";
        // 30617 twips away: 306 hundreds, held at 255 steps rather than wrapping to 50.
        QTest::newRow("far trip: at most 255 steps")
            << 0 << 1000 << 30600 << 2020 << 1 << "120,1004";
    }
    void movementSteps() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, tx);
        QFETCH(int, ty);
        QFETCH(int, ticks);
        QFETCH(QString, after);
        Game g;
        Form1& f = g.battle();
        put(f, 0, x, y);
        g.probe().uni()[0].tx = int16_t(tx);
        g.probe().uni()[0].ty = int16_t(ty);
        g.run("wait " + std::to_string(100 * ticks));
        QCOMPARE(pos(unit(g, 0)), after);
        QCOMPARE(at(widget(g, "ima(0)")), after); // the image walks with the record
        QCOMPARE(dest(unit(g, 0)), QString("%1,%2").arg(tx).arg(ty));
        QCOMPARE(f.news.Caption, std::string()); // no trip here goes near the force field
    }

    void commanderWalksToThePressedPoint() {
        Game g;
        Form1& f = g.battle();
        QCOMPARE(caption(g, "OK(0)"), QString("50/50"));
        g.run(press(2960, 3500));
        // The order: destination, the cross centred on the press, the unit turned right.
        QCOMPARE(dest(unit(g, 0)), QString("2960,3500"));
        QCOMPARE(ends(widget(g, "Line1")), QString("2840,3380 3080,3620"));
        QCOMPARE(ends(widget(g, "Line2")), QString("3080,3380 2840,3620"));
        QCOMPARE(picture(g, "ima(0)"), QString("sideimager_10"));
        g.run("wait 100");
        QCOMPARE(pos(unit(g, 0)), QString("1060,3025"));
        // The marker and the health caption follow the selected unit.
        const double h = f.ima[0].Height;
        QCOMPARE(at(widget(g, "sh")), QString("1060,%1").arg(3025 + h - 10));
        QCOMPARE(caption(g, "OK(0)"), QString("50"));
        QCOMPARE(at(widget(g, "OK(0)")), QString("1060,%1").arg(3025 - h));
        g.run("wait 1900");
        QCOMPARE(pos(unit(g, 0)), QString("2960,3500"));
        QCOMPARE(at(widget(g, "sh")), QString("2960,%1").arg(3500 + h - 10));
        g.run("wait 1000");
        QCOMPARE(pos(unit(g, 0)), QString("2960,3500"));
        // The cross stays where the last left press put it.
        QCOMPARE(ends(widget(g, "Line1")), QString("2840,3380 3080,3620"));

        // A unit that is not selected walks without the marker.
        QCOMPARE(train(g, 5), 1);
        g.run("click Form1 ima(1)");
        const QString marker = at(widget(g, "sh"));
        g.probe().uni()[0].tx = 4960;
        g.probe().uni()[0].ty = 2500;
        g.run("wait 300");
        QVERIFY(pos(unit(g, 0)) != QString("2960,3500"));
        QCOMPARE(at(widget(g, "sh")), marker);
        QCOMPARE(caption(g, "OK(0)"), QString("50"));
    }

    void forceField_data() {
        QTest::addColumn<int>("clock"); // before the tick that takes the step
        QTest::addColumn<int>("ty");
        QTest::addColumn<QString>("news");
        QTest::addColumn<int>("tyAfter");
        QTest::addColumn<QString>("first");  // position after one tick
        QTest::addColumn<QString>("second"); // and after two
        const QString refused = " nn puoi andare li", fell = " lo scudo ha ceduto";
        QTest::newRow("standing, below the line") << 100 << 5000 << refused << 4300 << "960,3000"
                                                  << "1022,3081";
        QTest::newRow("standing, at 4320") << 100 << 4320 << refused << 4300 << "960,3000"
                                           << "1022,3081";
        QTest::newRow("standing, at 4319") << 100 << 4319 << "" << 4319 << "1022,3082"
                                           << "1085,3164";
        QTest::newRow("last tick of the field, below")
            << 199 << 5000 << refused << 4300 << "960,3000"
            << "1022,3081";
        QTest::newRow("last tick of the field, above") << 199 << 2000 << fell << 2000 << "1031,2929"
                                                       << "1102,2858";
        QTest::newRow("fallen at 201, below") << 200 << 5000 << "" << 5000 << "1005,3091"
                                              << "1050,3182";
    }
    void forceField() {
        QFETCH(int, clock);
        QFETCH(int, ty);
        QFETCH(QString, news);
        QFETCH(int, tyAfter);
        QFETCH(QString, first);
        QFETCH(QString, second);
        Game g;
        Form1& f = g.battle();
        g.probe().clock() = int16_t(clock);
        g.run(press(1960, ty));
        g.run("wait 100");
        QCOMPARE(QString::fromStdString(f.news.Caption), news);
        QCOMPARE(dest(unit(g, 0)), QString("1960,%1").arg(tyAfter));
        QCOMPARE(pos(unit(g, 0)), first);
        g.run("wait 100");
        QCOMPARE(pos(unit(g, 0)), second);
        QCOMPARE(dest(unit(g, 0)), QString("1960,%1").arg(tyAfter));
    }

    // ---- Selection and ground orders -----------------------------------------------------------

    void facing_data() {
        QTest::addColumn<int>("tx"); // destination before the press (the unit stands at 6000, 2500)
        QTest::addColumn<int>("ty");
        QTest::addColumn<int>("X");
        QTest::addColumn<int>("Y");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("face");
        QTest::addColumn<QString>("sprite");
        const int x = 6000, y = 2500;
        QTest::newRow("up") << x << y << 6000 << 1500 << 1 << 1 << "backimage_10";
        QTest::newRow("down") << x << y << 6000 << 3500 << 1 << 3 << "front_10";
        QTest::newRow("left") << x << y << 5000 << 2500 << 1 << 2 << "sideimagel_10";
        QTest::newRow("right") << x << y << 7000 << 2500 << 1 << 4 << "sideimager_10";
        QTest::newRow("mostly up") << x << y << 6300 << 1500 << 1 << 1 << "backimage_10";
        QTest::newRow("mostly down") << x << y << 5700 << 3500 << 1 << 3 << "front_10";
        QTest::newRow("mostly left") << x << y << 5000 << 2800 << 1 << 2 << "sideimagel_10";
        QTest::newRow("mostly right") << x << y << 7000 << 2200 << 1 << 4 << "sideimager_10";
        QTest::newRow("diagonal up-left") << x << y << 5500 << 2000 << 1 << 2 << "sideimagel_10";
        QTest::newRow("diagonal up-right") << x << y << 6500 << 2000 << 1 << 4 << "sideimager_10";
        QTest::newRow("diagonal down-left") << x << y << 5500 << 3000 << 1 << 2 << "sideimagel_10";
        QTest::newRow("diagonal down-right") << x << y << 6500 << 3000 << 1 << 4 << "sideimager_10";
        QTest::newRow("right press at its destination")
            << x << y << 7000 << 1500 << 2 << 4 << "sideimager_10";
        QTest::newRow("right press, destination below")
            << x << 3500 << 5000 << 1500 << 2 << 3 << "front_10";
        QTest::newRow("middle press, destination above")
            << x << 1500 << 7000 << 3500 << 4 << 1 << "backimage_10";
    }
    void facing() {
        QFETCH(int, tx);
        QFETCH(int, ty);
        QFETCH(int, X);
        QFETCH(int, Y);
        QFETCH(int, button);
        QFETCH(int, face);
        QFETCH(QString, sprite);
        Game g;
        Form1& f = g.battle();
        put(f, 0, 6000, 2500);
        g.probe().uni()[0].tx = int16_t(tx);
        g.probe().uni()[0].ty = int16_t(ty);
        g.run(press(X, Y, button));
        QCOMPARE(unit(g, 0)["face"].toInt(), face);
        QCOMPARE(picture(g, "ima(0)"), sprite);
        // Whatever the sprite, the image is 450 twips wide after a press on the ground.
        QCOMPARE(widget(g, "ima(0)")["Width"].toDouble(), 450.0);
        if (button == 1)
            QCOMPARE(dest(unit(g, 0)), QString("%1,%2").arg(X).arg(Y));
        else
            QCOMPARE(dest(unit(g, 0)), QString("%1,%2").arg(tx).arg(ty));
        QCOMPARE(g.state()["tgx"].toDouble(), 0.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 0.0);
    }

    void pressCoordinatesRoundHalfToEven_data() {
        QTest::addColumn<double>("X");
        QTest::addColumn<double>("Y");
        QTest::addColumn<QString>("destination");
        QTest::newRow("100.5 to 100") << 100.5 << 2000.5 << "100,2000";
        QTest::newRow("101.5 to 102") << 101.5 << 2001.5 << "102,2002";
        QTest::newRow("99.5 to 100") << 99.5 << 1999.5 << "100,2000";
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
        QCOMPARE(ends(widget(g, "Line1")), number(X - 120) + "," + number(Y - 120) + " " +
                                               number(X + 120) + "," + number(Y + 120));
        QCOMPARE(ends(widget(g, "Line2")), number(X + 120) + "," + number(Y - 120) + " " +
                                               number(X - 120) + "," + number(Y + 120));
    }

    void groundPresses() {
        Game g;
        Form1& f = g.battle();
        // The marker under the commander, a shot line and the force field take no press: a
        // press on them is a press on the ground there.
        QCOMPARE(at(widget(g, "sh")), QString("960,3480"));
        g.run(press(1000, 3500));
        QCOMPARE(dest(unit(g, 0)), QString("1000,3500"));
        g.run(press(4000, 2000, 2));
        QVERIFY(shown(g, "Line3"));
        g.run(press(2580, 2600)); // the middle of the shot line from (1160, 3200) to (4000, 2000)
        QCOMPARE(dest(unit(g, 0)), QString("2580,2600"));
        g.run(press(3000, 4800)); // on the force field
        QCOMPARE(dest(unit(g, 0)), QString("3000,4800"));

        // A middle press only turns the unit toward its destination and resets the reference.
        put(f, 0, 6000, 2500);
        g.probe().uni()[0].ty = 3500;
        g.probe().tgx() = 100, g.probe().tgy() = 200;
        const QString cross = ends(widget(g, "Line1"));
        g.run(press(7000, 2000, 4));
        QCOMPARE(picture(g, "ima(0)"), QString("front_10"));
        QCOMPARE(dest(unit(g, 0)), QString("6000,3500"));
        QCOMPARE(ends(widget(g, "Line1")), cross);
        QCOMPARE(g.state()["tgx"].toDouble(), 0.0);
        QCOMPARE(g.state()["tgy"].toDouble(), 0.0);

        // The tank keeps the width of its own large sprites.
        QCOMPARE(train(g, 4), 1);
        g.run("click Form1 ima(1)");
        g.run(press(6000, 2000));
        QCOMPARE(picture(g, "ima(1)"), QString("sideimager_4"));
        QCOMPARE(widget(g, "ima(1)")["Width"].toDouble(), 1200.0);
    }

    void selectionAndTheBuilder() {
        Game g;
        Form1& f = g.battle();
        // Selecting the commander: marker under it, bare health above it, training panel shut.
        g.run("click Form1 Image2");
        QVERIFY(shown(g, "Frame1"));
        g.run(press(1000, 3100));
        QCOMPARE(int(g.probe().sel()), 0);
        QCOMPARE(at(widget(g, "sh")), QString("960,3395"));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 405.0);
        QCOMPARE(caption(g, "OK(0)"), QString("50"));
        QCOMPARE(at(widget(g, "OK(0)")), QString("960,2595"));
        QVERIFY(!shown(g, "Frame1"));
        for (int k = 0; k <= 5; ++k) QVERIFY(!shown(g, QString("Command1(%1)").arg(k)));
        QVERIFY(shown(g, "Command1(6)")); // it goes with its frame

        // The marker takes the width the image has at the click.
        g.run(press(1500, 2000, 4)); // turns the commander standing at its destination: 450 wide
        g.run(press(1000, 3100));
        QCOMPARE(widget(g, "sh")["Width"].toDouble(), 450.0);

        // A click brings the record to where the image is, halves to even; the order is kept.
        f.ima[0].Left = 2000.5f, f.ima[0].Top = 3001.5f;
        g.probe().uni()[0].tx = 4000, g.probe().uni()[0].ty = 2000;
        g.run("click Form1 ima(0)");
        QCOMPARE(pos(unit(g, 0)), QString("2000,3002"));
        QCOMPARE(dest(unit(g, 0)), QString("4000,2000"));
        put(f, 0, 960, 3000);

        // The builder: its selection opens the construction panel at its feet.
        QCOMPARE(train(g, 6), 1);
        QCOMPARE(at(widget(g, "ima(1)")), QString("2940,3000"));
        QCOMPARE(picture(g, "ima(1)"), QString("front_6"));
        QCOMPARE(widget(g, "ima(1)")["Width"].toDouble(), 350.0);
        const double h = f.ima[1].Height;
        g.run(press(3000, 3100));
        QCOMPARE(int(g.probe().sel()), 1);
        QVERIFY(shown(g, "build"));
        QCOMPARE(at(widget(g, "build")), QString("2940,%1").arg(3000 + h));
        QCOMPARE(caption(g, "OK(1)"), QString("50"));
        QVERIFY(!shown(g, "Frame1"));

        // A left press moves the builder's order and the cross, and nothing else.
        g.run(press(5000, 2000));
        QCOMPARE(dest(unit(g, 1)), QString("5000,2000"));
        QCOMPARE(ends(widget(g, "Line1")), QString("4880,1880 5120,2120"));
        QCOMPARE(unit(g, 1)["face"].toInt(), 0);
        QCOMPARE(picture(g, "ima(1)"), QString("front_6"));
        QCOMPARE(widget(g, "ima(1)")["Width"].toDouble(), 350.0);
        // A right press does nothing at all: no turn, no shot, no notice.
        g.run("wait 100");
        const QJsonObject shot = widget(g, "Line3");
        g.run(press(5000, 2500, 2));
        QCOMPARE(widget(g, "Line3"), shot);
        QCOMPARE(f.news.Caption, std::string());
        QCOMPARE(unit(g, 1)["face"].toInt(), 0);

        // Selecting another kind leaves the construction panel open where it was.
        const QString panel = at(widget(g, "build"));
        g.run("click Form1 ima(0)");
        QCOMPARE(int(g.probe().sel()), 0);
        QVERIFY(shown(g, "build"));
        QCOMPARE(at(widget(g, "build")), panel);
    }
};

QTEST_MAIN(SelectionOrdersTest)
#include "test_selection_orders.moc"
