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

const QString outOfReach = " ' mannaggia nn ci arriva'";

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

    // The clock (0 to 200 while the force field stands), the trip from x,y to tx,ty, the ticks
    // run, and where the unit is then, with the notice if any.
    void movementSteps_data() {
        table({{"first step of 20", "0 960,3000 2960,3500 1 1060,3025"},
               {"one step before arriving", "0 960,3000 2960,3500 19 2860,3475"},
               {"resting once there", "0 960,3000 2960,3500 25 2960,3500"},
               {"up and left, 50 steps", "0 5000,4000 2000,0 50 2000,0"},
               {"level destination", "0 960,3000 3000,3000 5 960,3000"},
               {"straight below", "0 960,3000 960,4000 5 960,3000"},
               {"within 100 twips", "0 960,3000 1030,3060 5 960,3000"},
               {"exactly 100 twips: one step", "0 960,3000 1020,3080 1 1020,3080"},
               {"halves down to even", "0 1000,2000 1201,2101 1 1100,2050"},
               {"halves up to even", "0 1000,2000 1203,2103 1 1102,2052"},
               {"negative halves", "0 2000,2000 1797,1897 1 1898,1948"},
               // 30617 twips away: 306 hundreds, held at 255 steps rather than wrapping to 50.
               {"at most 255 steps", "0 0,1000 30600,2020 1 120,1004"},
               // While the field stands no destination at or below 4320: it is put back to 4300.
               {"field, at 4320", "100 960,3000 1960,4320 2 1022,3081 refused"},
               {"field, at 4319", "100 960,3000 1960,4319 2 1085,3164"},
               {"field's last tick, below", "199 960,3000 1960,5000 2 1022,3081 refused"},
               {"field's last tick, above", "199 960,3000 1960,2000 2 1102,2858 fell"},
               {"fallen at 201, below", "200 960,3000 1960,5000 2 1050,3182"}});
    }
    void movementSteps() {
        const QStringList w = row(), from = w[1].split(','), to = w[2].split(',');
        Game g;
        put(g.battle(), 0, from[0].toInt(), from[1].toInt());
        headFor(g, 0, to[0].toInt(), to[1].toInt());
        g.probe().clock() = int16_t(w[0].toInt());
        g.run("wait " + std::to_string(100 * w[3].toInt()));
        // The image walks with the record.
        const QString note = w.value(5);
        CHECK_FIELDS(g, "uni[0].pos ima(0).at news.Caption uni[0].dest",
                     w[4] + " " + w[4] +
                         (note == "refused" ? " ' nn puoi andare li' " + to[0] + ",4300"
                          : note == "fell"  ? " ' lo scudo ha ceduto' " + w[2]
                                            : " '' " + w[2]));
    }

    // ---- Selection and ground orders -----------------------------------------------------------

    // The destination's y before the press (the unit stands at 6000, 2500), the press and its
    // button, the sprite after it, and where a left press sends the unit when that is not the
    // press itself.
    void facing_data() {
        table({{"up", "2500 6000 1500 1 backimage_10"},
               {"down", "2500 6000 3500 1 front_10"},
               {"left", "2500 5000 2500 1 sideimagel_10"},
               {"mostly up", "2500 6300 1500 1 backimage_10"},
               {"mostly right", "2500 7000 2200 1 sideimager_10"},
               // On an exact diagonal the side view wins.
               {"diagonal up-left", "2500 5500 2000 1 sideimagel_10"},
               {"diagonal down-right", "2500 6500 3000 1 sideimager_10"},
               {"right press at its destination", "2500 7000 1500 2 sideimager_10"},
               {"right press, destination below", "3500 5000 1500 2 front_10"},
               {"middle press, destination above", "1500 7000 3500 4 backimage_10"},
               // The destination rounds half to even.
               {"100.5 to 100", "2500 100.5 2000.5 1 sideimagel_10 100,2000"},
               {"101.5 to 102", "2500 101.5 2001.5 1 sideimagel_10 102,2002"},
               {"not a half", "2500 100.25 2000.75 1 sideimagel_10 100,2001"}});
    }
    void facing() {
        const QStringList w = row();
        const int ty = w[0].toInt(), button = w[3].toInt();
        const double X = w[1].toDouble(), Y = w[2].toDouble();
        Battle g;
        put(g.f, 0, 6000, 2500);
        headFor(g, 0, 6000, ty);
        g.probe().tgx() = 100, g.probe().tgy() = 200;
        const QString cross = fields(g, "Line1.ends Line2.ends");
        g.run(press(X, Y, button));
        // Only a left press moves the cross, drawn at the press itself. Whatever the sprite, the
        // image is 450 twips wide after a press on the ground, and the press is its own
        // reference point.
        const QString drawn = "'" + xy(X - 120, Y - 120) + " " + xy(X + 120, Y + 120) + "' '" +
                              xy(X + 120, Y - 120) + " " + xy(X - 120, Y + 120) + "'";
        CHECK_FIELDS(g, "ima(0).Picture ima(0).Width uni[0].dest tgx tgy Line1.ends Line2.ends",
                     QString("%1 450 %2 0 0 %3")
                         .arg(w[4], button == 1 ? w.value(5, xy(X, Y)) : xy(6000, ty),
                              button == 1 ? drawn : cross));
    }

    void groundPressesAndTheMarker() {
        Battle g;
        // The marker under the commander, a shot line and the force field take no press: a
        // press on them is a press on the ground there.
        CHECK_STEPS(
            g, {{"", "OK(0).Caption", "50/50"}, {press(1000, 3500), "uni[0].dest", "1000,3500"}});
        // Two shots within one tick: one line, the second.
        g.run(press(3000, 2500, 2) + press(4000, 2000, 2));
        int lines = 0;
        const QJsonObject widgets = g.window("Form1")["widgets"].toObject();
        for (auto it = widgets.begin(); it != widgets.end(); ++it)
            if (it.key().startsWith("Line") && it.value().toObject()["Visible"].toBool()) ++lines;
        QCOMPARE(lines, 2 + 1 + 1); // the cross, the force field and the shot
        // The middle of the shot line from (1160, 3200) to (4000, 2000), the force field.
        CHECK_STEPS(g, {{press(2580, 2600), "uni[0].dest", "2580,2600"},
                        {press(3000, 4800), "uni[0].dest", "3000,4800"},
                        // The marker and the health follow the selected unit.
                        {press(2960, 3500) + "wait 100", "sh.at OK(0).Caption OK(0).at",
                         "1060,3345 50 1060,2695"}});
        // A unit that is not selected walks without the marker and its health.
        QCOMPARE(train(g, 5), 1);
        g.run("click Form1 ima(1)");
        const QString marker = fields(g, "sh.at OK(0).at");
        CHECK_STEPS(g, {{"wait 300", "uni[0].pos sh.at OK(0).at", "1660,3175 " + marker}});
    }

    void selectionAndTheBuilder() {
        Battle g;
        // Selecting the commander: marker under it, the training panel shut; button 6 goes with
        // its frame.
        g.run("click Form1 Image2\n" + press(1000, 3100));
        CHECK_FIELDS(g, "sel sh.at sh.Width Frame1.Visible Command1(5).Visible Command1(6).Visible",
                     "0 960,3395 405 false false true");
        // The marker takes the width the image has at the click.
        CHECK_STEPS(g, {{press(1500, 2000, 4) + press(1000, 3100), "sh.Width", "450"}});
        // A click brings the record to where the image is, halves to even; the order is kept.
        g.f.ima[0].Left = 2000.5f, g.f.ima[0].Top = 3001.5f;
        headFor(g, 0, 4000, 2000);
        CHECK_STEPS(g, {{"click Form1 ima(0)", "uni[0].pos uni[0].dest", "2000,3002 4000,2000"}});
        put(g.f, 0, 960, 3000);

        // The builder: its selection opens the construction panel at its feet.
        QCOMPARE(train(g, 6), 1);
        CHECK_STEPS(g, {{press(3000, 3100), "build.at", "2940,3375"}});
        // A left press moves the builder's order and the cross, and nothing else; a right press
        // does nothing at all: no turn, no shot, no notice.
        g.run(press(5000, 2000) + "wait 100");
        const QString shot = fields(g, "Line3");
        g.run(press(5000, 2500, 2));
        CHECK_FIELDS(g, "uni[1].dest Line1.ends ima(1).Picture ima(1).Width Line3 news.Caption",
                     "5000,2000 '4880,1880 5120,2120' front_6 350 " + shot + " ''");
        // Selecting another kind leaves the construction panel open where it was.
        CHECK_STEPS(g, {{"click Form1 ima(0)", "build.Visible build.at", "true 2940,3375"}});
        // Once the field is down, one twip from enemy 12's corner is beyond the builder's reach
        // of 0; on the corner itself it fires, from the builder (not from the image of slot 12).
        tickTo(g, 201);
        g.run("click Form1 ima(1)"); // its construction panel opens away from the enemies
        put(g.f, 1, 1081, 6240);
        CHECK_STEPS(g, {{press(1500, 6650, 2), "news.Caption kills", outOfReach + " 0"}});
        put(g.f, 1, 1080, 6240);
        CHECK_STEPS(g, {{press(1500, 6650, 2), "Line3.ends Line3.look ene(12).Picture kills",
                         "'1280,6440 1500,6650' '255,0,0 1 1' image1_1 1"}});
    }

    // ---- Shots ---------------------------------------------------------------------------------

    // The shooter's kind (it stands at 1000, 1500), the press, the look of the shot (none: out
    // of reach).
    void reachAndLookOfAShot_data() {
        table({{"commander, 10000 right", "10 11000 1500 '255,0,0 1 1'"},
               {"commander, 10001 right", "10 11001 1500"},
               {"commander, 10000.8 floors to 10000", "10 7000 9501 '255,0,0 1 1'"},
               {"commander, 10001.4", "10 7001 9501"},
               {"kind 0, 6250 right", "0 7250 1500 '64,64,64 1 4'"},
               {"kind 1, 6250 right", "1 7250 1500 '255,0,0 1 1'"},
               {"kind 2, 6250 right", "2 7250 1500 '255,0,255 4 1'"},
               {"kind 2, 6251 right", "2 7251 1500"},
               {"kind 3, 6250 right", "3 7250 1500 '64,64,64 1 4'"},
               {"kind 3, 6251 right", "3 7251 1500"},
               {"kind 4, 7500 right", "4 8500 1500 '0,255,0 2 1'"},
               {"kind 4, 7501 right", "4 8501 1500"},
               {"kind 5, 5250 by 7000", "5 6250 8500 '0,0,255 1 2'"},
               {"kind 5, 8751 right", "5 9751 1500"}});
    }
    void reachAndLookOfAShot() {
        const auto [kind, X, Y] = ints<3>();
        const QString look = row().value(3);
        Battle g;
        // The shooter (10: the commander, there from the start) stands there, selected.
        const int n = kind == 10 ? 0 : train(g, kind);
        put(g.f, n, 1000, 1500);
        const QString i = QString::number(n);
        g.run("click Form1 ima(" + i.toStdString() + ")\nwait 100"); // the designed line is gone
        CHECK_FIELDS(g, "uni[" + i + "].kind", QString::number(kind));
        const QString before = fields(g, "Line3");
        g.run(press(X, Y, 2));
        if (look.isEmpty()) {
            CHECK_FIELDS(g, "Line3 news.Caption", before + outOfReach);
            return;
        }
        // A ground shot destroys nothing. The shooter turned right; the tank keeps the width of
        // its own large sprites.
        CHECK_FIELDS(g,
                     "Line3.Visible Line3.ends Line3.look news.Caption kills ima(" + i + ").Width",
                     "true '1200,1700 " + xy(X, Y) + "' '" + look + "' '' 0 " +
                         (kind == 4 ? "1200" : "450"));
        CHECK_STEPS(g,
                    {{"wait 100", "Line3.Visible", "false"}}); // a shot shows until the next tick
    }

    void attackOrders() {
        Battle g;
        // While the field stands both buttons are refused, at 200 too, though the field's fall
        // is announced at that very tick; the reference still moves.
        tickTo(g, 200);
        // At 201 the attack goes through: the enemy is destroyed, the line ends at the press; an
        // attack does not turn the unit. Again on the wreck: the line, but no second kill. Out
        // of reach: the notice, the enemy recorded as target, nothing destroyed; a ground shot
        // after it does not destroy the target either. The middle button only moves the
        // reference.
        CHECK_STEPS(g, {{pressEnemy(g.f, 40, 1) + pressEnemy(g.f, 11, 2),
                         "news.Caption tgx tgy uni[0].dest kills",
                         "'can't shot trough the deflector shield' 600 6240 960,3000 0"},
                        {"wait 100\n" + press(700, 6300, 2),
                         "ene(11).Picture kills Line3.ends Line3.look ima(0).Picture",
                         "image1_1 1 '1160,3200 700,6300' '255,0,0 1 1' front_10"},
                        {press(800, 6400, 2), "Line3.ends kills", "'1160,3200 800,6400' 1"},
                        {pressEnemy(g.f, 40, 2), "news.Caption target", outOfReach + " 40"},
                        {press(3000, 2000, 2), "ene(40).Picture kills", "ene 1"},
                        {pressEnemy(g.f, 12, 4), "tgx uni[0].dest", "1080 960,3000"}});

        // A destroyed enemy stands still at every turn, with its line hidden.
        tickTo(g, 255);
        CHECK_FIELDS(g, "ene(11).at ene(12).at", "600,6240 1080,6190");

        // A left press sends the unit to 1000 twips above the enemy, wreck or not, and moves
        // neither the cross nor the unit's picture.
        const QString still = fields(g, "Line1.ends ima(0).Picture");
        CHECK_STEPS(g, {{pressEnemy(g.f, 40, 1), "uni[0].dest", "11280,5190"},
                        {press(700, 6300, 1), "uni[0].dest Line1.ends ima(0).Picture",
                         "600,5240 " + still}});
    }
};

QTEST_MAIN(SelectionOrdersTest)
#include "test_selection_orders.moc"
