// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The battle end to end: movement, selection, ground and attack orders, firing, enemy turns,
// victory and defeat, played through script lines and checked on the program's dump. The probe
// only sets up situations that play would take long to reach (a unit at a precise place, the
// clock near a turn, a health value).

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
struct Boxes : kt::MessageBoxPort {
    explicit Boxes(Game& game)
        : g(game) {
        g.app.messageBoxes = this;
    }
    ~Boxes() override { g.app.messageBoxes = nullptr; }
    struct Shown {
        std::string text, title, news;
        bool enemyClock = false, training = false; ///< Timer1 and make still running
        int64_t before = 0, after = 0;
    };
    void show(kt::Form* owner, const std::string& text, const std::string& title) override {
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
    std::vector<Shown> shown;
};

} // namespace

class BattleTest : public QObject {
    Q_OBJECT
private slots:

    // ---- Movement ----------------------------------------------------------------------

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

    void incomeAndMoneyDisplay_data() {
        QTest::addColumn<int>("yen");
        QTest::addColumn<int>("er");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("display");
        QTest::newRow("first tick") << 2000 << 1 << 1 << 2001 << " 2001000 euri";
        QTest::newRow("one mine built") << 2000 << 2 << 3 << 2006 << " 2006000 euri";
        QTest::newRow("in debt") << -51 << 1 << 1 << -50 << "-50000 euri";
        QTest::newRow("out of debt to zero") << -1 << 1 << 1 << 0 << " 0000 euri";
        QTest::newRow("held at the top") << 32700 << 255 << 2 << 32767 << " 32767000 euri";
    }
    void incomeAndMoneyDisplay() {
        QFETCH(int, yen);
        QFETCH(int, er);
        QFETCH(int, ticks);
        QFETCH(int, after);
        QFETCH(QString, display);
        Game g;
        Form1& f = g.battle();
        QCOMPARE(caption(g, "Label1"), QString("Label1")); // until the first tick
        f.yen = int16_t(yen);
        f.er = uint8_t(er);
        g.run("wait " + std::to_string(100 * ticks));
        QCOMPARE(int(f.yen), after);
        QCOMPARE(caption(g, "Label1"), display);
    }

    // ---- Selection and ground orders -----------------------------------------------------

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

    // ---- Firing --------------------------------------------------------------------------

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

    // ---- Attack orders -------------------------------------------------------------------

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

    // ---- Enemy turns ---------------------------------------------------------------------

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

    // ---- Whole battles -------------------------------------------------------------------

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
        QString tool = qEnvironmentVariable("KOLVAR_REPLAY");
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

QTEST_MAIN(BattleTest)
#include "test_battle.moc"
