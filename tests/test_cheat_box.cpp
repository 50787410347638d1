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
    void vildraActsOnTheWholeTextOnlyAndAgain() {
        Battle g;
        // Pasted at once, the text must be the code exactly.
        for (const char* text : {"Vildra", " vildra", "vildravildra"}) {
            g.app.setText(g.f.cheater, text);
            CHECK_FIELDS(g, "uni[0].hp uni[0].kind Timer2.Enabled n", "50 10 true 0");
        }
        g.app.setText(g.f.cheater, "");
        // Typed letter by letter, it acts on the sixth.
        g.run("press Form1 11400 200"); // the box takes the focus
        const std::string code = "vildra";
        for (size_t i = 0; i < code.size(); ++i) {
            g.run("key Form1 " + std::to_string(int(code[i])));
            CHECK_FIELDS(g, "uni[0].hp", i + 1 < code.size() ? "50" : "255");
        }
        // A letter more keeps the effect and does nothing new; back to the code, it acts anew.
        g.probe().uni()[0].hp = 50;
        CHECK_STEPS(g,
                    {{"key Form1 120", "uni[0].hp", "50"},
                     {"key Form1 8", "uni[0].hp uni[0].kind Timer2.Enabled n", "255 10 true 0"}});
    }

    void pelmantraGoxStopsWalkingAndIncomeFrastolPaints() {
        Battle g;
        // Nobody walks and no income comes in, but the unit ordered is trained and paid for.
        // The enemy clock goes on: two enemy turns by 26 s.
        CHECK_STEPS(
            g, {{"press Form1 2960 3500\nwait 100", "uni[0].pos yen", "1060,3025 2001"},
                {order(0, 1) + "type Form1 cheater pelmantra gox\npress Form1 5000 2000\nwait 1000",
                 "uni[0].pos uni[0].dest ima(0).Left c yen Label1.Caption",
                 "1060,3025 5000,2000 1060 1 1986 ' 2001000 euri'"},
                {"wait 25000", "ene(1).Top", "6140"}});
        // With the shield down the commander destroys enemy 47; frastol then changes only the
        // pictures.
        g.run("down Form1 ene(47) 2 0 10 10\ntext Form1 cheater frastol");
        QString enemies;
        for (int i = 0; i <= 50; ++i) enemies += QString(" ene(%1).Picture").arg(i);
        CHECK_FIELDS(g, "ene(0).at enedead[47] enedead[46] kills" + enemies,
                     "1560,6140 -1 0 1" + QString(" prete").repeated(51));
    }

    void dekMovaMakesABuilderTurnAndShoot() {
        Battle g;
        trainBuilder(g);
        // The mine closes the construction panel; the builder stays selected. The look changes
        // on the next turn. Now it turns (toward its own place: right) and reaches 40 x 250
        // twips: 8000 across and 6000 down is exactly 10000, 2 more is 10001.
        CHECK_STEPS(g, {{pressMine(g) + "\ntype Form1 cheater dek mova",
                         "uni[1].kind uni[0].kind ima(1).Picture", "11 10 front_6"},
                        {"click Form1 ima(1)", "build.Visible", "false"},
                        {"press Form1 10940 9000 2", "ima(1).Picture Line3.ends news.Caption",
                         "sideimager_11 '3140,3200 10940,9000' ''"},
                        {"press Form1 10942 9000 2", "news.Caption", "' mannaggia nn ci arriva'"}});
    }
};

QTEST_MAIN(CheatBoxTest)
#include "test_cheat_box.moc"
