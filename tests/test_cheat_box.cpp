// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cheat box, end to end: a code acts the moment the box's whole text equals it, every time
// it does, and does only what it is for (vildra heals Tovo, pelmantra gox stops the movement
// clock, dek mova turns a unit into the cheat kind, frastol repaints the enemies).

#include "harness.h"

#include <QTest>
#include <string>

using namespace kolvar;

class CheatBoxTest : public QObject {
    Q_OBJECT
private slots:
    void vildraActsOnTheSixthLetterAndAgain() {
        Game g;
        g.battle();
        g.run("press Form1 11400 200"); // the box takes the focus
        const std::string code = "vildra";
        for (size_t i = 0; i < code.size(); ++i) {
            g.run("key Form1 " + std::to_string(int(code[i])));
            QCOMPARE(unit(g, 0)["hp"].toInt(), i + 1 < code.size() ? 50 : 255);
        }
        // A letter more keeps the effect and does nothing new; back to the code, it acts anew.
        g.probe().uni()[0].hp = 50;
        g.run("key Form1 120");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 50);
        g.run("key Form1 8");
        QCOMPARE(unit(g, 0)["hp"].toInt(), 255);
    }

    void aCodeMustBeTheWholeTextExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("typed"); // letter by letter, else pasted at once
        QTest::addColumn<int>("hp");
        QTest::newRow("vildra pasted") << "vildra" << false << 255;
        QTest::newRow("Vildra typed") << "Vildra" << true << 50;
        QTest::newRow("a blank and vildra pasted") << " vildra" << false << 50;
        QTest::newRow("vildravildra pasted") << "vildravildra" << false << 50;
    }
    void aCodeMustBeTheWholeTextExactly() {
        QFETCH(QString, text);
        QFETCH(bool, typed);
        QFETCH(int, hp);
        Game g;
        Form1& f = g.battle();
        if (typed)
            g.run("type Form1 cheater " + text.toStdString());
        else
            g.app.setText(f.cheater, text.toStdString());
        QCOMPARE(unit(g, 0)["hp"].toInt(), hp);
        QCOMPARE(unit(g, 0)["kind"].toInt(), 10);
        QVERIFY(g.widget("Form1", "Timer2")["Enabled"].toBool());
        QCOMPARE(state(g, "n"), 0);
    }

    void pelmantraGoxStopsWalkingAndIncomeOnly() {
        Game g;
        g.battle();
        g.run("press Form1 2960 3500\nwait 100");
        QCOMPARE(pos(unit(g, 0)), QString("1060,3025"));
        QCOMPARE(state(g, "yen"), 2001);
        g.run(order(0, 1) + "type Form1 cheater pelmantra gox\npress Form1 5000 2000\nwait 1000");
        // Nobody walks and no income comes in, but the unit ordered is trained and paid for.
        QCOMPARE(pos(unit(g, 0)), QString("1060,3025"));
        QCOMPARE(dest(unit(g, 0)), QString("5000,2000"));
        QCOMPARE(prop(g, "ima(0)", "Left"), 1060.0);
        QCOMPARE(state(g, "c"), 1);
        QCOMPARE(state(g, "yen"), 2001 - 15);
        QCOMPARE(caption(g, "Label1"), QString(" 2001000 euri"));
        // The enemy clock goes on: two enemy turns by 26 s.
        g.run("wait 25000");
        QCOMPARE(prop(g, "ene(1)", "Top"), 6140.0);
    }

    void dekMovaMakesABuilderTurnAndShoot() {
        Game g;
        g.battle();
        trainBuilder(g);
        g.run(pressMine(g)); // closes the construction panel; the builder stays selected
        g.run("type Form1 cheater dek mova");
        QCOMPARE(unit(g, 1)["kind"].toInt(), 11);
        QCOMPARE(unit(g, 0)["kind"].toInt(), 10);
        QCOMPARE(picture(g, "ima(1)"), QString("front_6")); // the look changes on the next turn
        g.run("click Form1 ima(1)");
        QVERIFY(!shown(g, "build"));
        // Now it turns (toward its own place: right) and reaches 40 x 250 twips.
        g.run("press Form1 10940 9000 2"); // 8000 across, 6000 down: exactly 10000
        QCOMPARE(picture(g, "ima(1)"), QString("sideimager_11"));
        QCOMPARE(ends(widget(g, "Line3")), QString("3140,3200 10940,9000"));
        QCOMPARE(caption(g, "news"), QString());
        g.run("press Form1 10942 9000 2"); // 10001 away
        QCOMPARE(caption(g, "news"), QString(" mannaggia nn ci arriva"));
    }

    void frastolPaintsEveryEnemy() {
        Game g;
        g.battle();
        // Once the shield is down the commander destroys enemy 47, 2241 twips away.
        g.run("wait 20100\ndown Form1 ene(47) 2 0 10 10\ntype Form1 cheater frastol");
        for (int i = 0; i <= 50; ++i)
            QCOMPARE(picture(g, QStringLiteral("ene(%1)").arg(i)), QString("prete"));
        // Only the pictures change.
        QCOMPARE(at(widget(g, "ene(0)")), QString("1560,6240"));
        QCOMPARE(g.state()["enedead"].toArray()[47].toInt(), -1);
        QCOMPARE(g.state()["enedead"].toArray()[46].toInt(), 0);
        QCOMPARE(state(g, "kills"), 1);
    }
};

QTEST_MAIN(CheatBoxTest)
#include "test_cheat_box.moc"
