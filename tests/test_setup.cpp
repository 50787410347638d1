// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A battle right after its set-up, and the artwork every widget shows.

#include "harness.h"

#include <QImageReader>
#include <QTest>

using kolvar::Game;

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void theStateRightAfterSetUp() {
        Game g;
        kolvar::Form1& f = g.battle();
        QVERIFY(!g.exists("frmSplash")); // closed by the set-up itself
        QVERIFY(g.exists("brow"));       // created hidden to read its picture
        QVERIFY(!g.window("brow")["visible"].toBool());
        const QJsonObject s = g.state();
        QCOMPARE(s["yen"].toInt(), 2000);
        QCOMPARE(s["er"].toInt(), 1);
        QCOMPARE(s["c"].toInt(), 0);
        QCOMPARE(s["sel"].toInt(), 0);
        QCOMPARE(s["cur"].toInt(), 255);
        QCOMPARE(s["clock"].toInt(), 0);
        QCOMPARE(s["kills"].toInt(), 0);
        const QJsonObject tovo = s["uni"].toArray()[0].toObject();
        QCOMPARE(tovo["hp"].toInt(), 50);
        QCOMPARE(tovo["kind"].toInt(), 10);
        QCOMPARE(tovo["x"].toInt(), 960);
        QCOMPARE(tovo["tx"].toInt(), 960);
        QCOMPARE(tovo["y"].toInt(), 3000);
        QCOMPARE(tovo["ty"].toInt(), 3000);
        for (auto u : s["uni"].toArray()) QCOMPARE(u.toObject()["alive"].toInt(), -1);
        for (int i = 1; i <= 80; ++i) QCOMPARE(s["uni"].toArray()[i].toObject()["hp"].toInt(), 0);
        auto table = [&](const char* name) {
            QList<int> out;
            for (auto v : s[name].toArray()) out << v.toInt();
            return out;
        };
        QCOMPARE(table("cost"), (QList<int>{15, 20, 20, 10, 70, 30, 5, 0, 0, 0, 0}));
        QCOMPARE(table("tempo"), (QList<int>{15, 18, 15, 20, 10, 7, 5, 0, 0, 0, 0}));
        QCOMPARE(table("reach"), (QList<int>{25, 25, 25, 25, 30, 35, 0, 0, 0, 0, 40, 40}));
        QCOMPARE(table("life"), (QList<int>{30, 30, 30, 30, 30, 30, 50, 0, 0, 0, 0}));
        QCOMPARE(table("queue"), QList<int>(11, 0));
        // The money display keeps its designed caption until the first tick rewrites it.
        QCOMPARE(f.Label1.Caption, std::string("Label1"));
        QCOMPARE(f.OK[0].Caption, std::string("50/50"));
        g.wait(100);
        QCOMPARE(f.Label1.Caption, std::string(" 2001000 euri"));
        QCOMPARE(f.OK[0].Caption, std::string("50/50")); // only a step or a click rewrites it
        QCOMPARE(f.make.interval(), 50);
        QVERIFY(!f.make.enabled());
        QVERIFY(f.Timer1.enabled() && f.Timer2.enabled());
    }

    void theCreatedElementsAreHiddenCopiesOfElementZero() {
        Game g;
        kolvar::Form1& f = g.battle();
        for (int i = 1; i <= 80; ++i) {
            QVERIFY(!f.ima[i].Visible);
            QCOMPARE(f.ima[i].picture, f.ima[0].picture);
            QCOMPARE(f.ima[i].Left, 960.f);
            QCOMPARE(f.ima[i].Top, 3000.f);
            QVERIFY(!f.OK[i].Visible);
            QCOMPARE(f.OK[i].Caption, std::string("50/50"));
        }
        QVERIFY(!f.ima.exists(81));
        for (int i = 1; i <= 50; ++i) {
            QVERIFY(!f.Line4[i].Visible);
            QCOMPARE(f.Line4[i].BorderWidth, 4);
        }
        QCOMPARE(f.Line4[0].BorderColor, kt::colors::green);
        QCOMPARE(f.qnty.BorderColor, kt::colors::red);
        QCOMPARE(f.done.BorderColor, kt::colors::yellow);
        QVERIFY(!f.Frame1.Visible && !f.build.Visible && !f.Frame2.Visible);
        QVERIFY(f.Command1[6].Visible); // shown and hidden with its panel only
        QCOMPARE(f.evo.Caption, std::string("Evolvi edificio"));
        QCOMPARE(f.command2.Caption, std::string("Miniera"));
        QCOMPARE(f.Frame1.Caption, std::string("addestra unita"));
        QCOMPARE(f.build.Caption, std::string("scegli edificio da costrire"));
        QCOMPARE(f.Label1.BackColor, (kt::Color{255, 255, 128}));
        QCOMPARE(f.Label1.BorderStyle, 1);
        QCOMPARE(f.sh.BorderColor, kt::colors::blue);
        for (int k : {0, 1, 2, 3, 4, 5, 6, 10, 11, 30}) QVERIFY(f.front.exists(k));
        for (int k : {0, 1, 2, 3, 4, 5, 10, 11})
            QVERIFY(f.backimage.exists(k) && f.sideimagel.exists(k) && f.sideimager.exists(k));
        QVERIFY(!f.front.exists(7) && !f.backimage.exists(6));
    }

    void enemyCells_data() {
        QTest::addColumn<int>("enemy");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::newRow("1") << 1 << 2 << 6;
        QTest::newRow("45") << 45 << 4 << 5;
        QTest::newRow("46") << 46 << 5 << 7;
        QTest::newRow("40") << 40 << 11 << 6;
        QTest::newRow("0 has none before it moves") << 0 << 0 << 0;
        QTest::newRow("47") << 47 << 1 << 5;
    }
    void enemyCells() {
        QFETCH(int, enemy);
        QFETCH(int, col);
        QFETCH(int, row);
        Game g;
        g.battle();
        const QJsonArray cell = g.state()["enecell"].toArray()[enemy].toArray();
        QCOMPARE(cell[0].toInt(), col);
        QCOMPARE(cell[1].toInt(), row);
        QCOMPARE(g.widget("Form1", QString("ene(%1)").arg(enemy))["Width"].toDouble(), 510.0);
    }

    void everyPictureDecodesAtItsSizeWithATransparentBackground_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const struct {
            int kind;
            QSize front, back, side;
        } units[] = {{0, {31, 29}, {28, 28}, {16, 22}}, {1, {11, 26}, {31, 30}, {8, 25}},
                     {2, {40, 30}, {30, 28}, {14, 22}}, {3, {40, 30}, {31, 28}, {10, 25}},
                     {4, {50, 50}, {42, 43}, {80, 50}}, {5, {30, 30}, {30, 30}, {6, 28}},
                     {10, {27, 27}, {30, 29}, {7, 22}}, {11, {40, 30}, {40, 30}, {16, 23}}};
        for (const auto& u : units) {
            const QString k = QString::number(u.kind);
            QTest::newRow(qPrintable("front_" + k)) << "front_" + k << u.front;
            QTest::newRow(qPrintable("backimage_" + k)) << "backimage_" + k << u.back;
            QTest::newRow(qPrintable("sideimagel_" + k)) << "sideimagel_" + k << u.side;
            QTest::newRow(qPrintable("sideimager_" + k)) << "sideimager_" + k << u.side;
        }
        const QSize buttons[] = {{31, 29}, {11, 26}, {40, 30}, {40, 30},
                                 {80, 50}, {30, 30}, {23, 25}};
        for (int k = 0; k < 7; ++k)
            QTest::newRow(qPrintable(QString("command1_%1").arg(k)))
                << QString("command1_%1").arg(k) << buttons[k];
        QTest::newRow("front_6") << "front_6" << QSize(23, 25);
        QTest::newRow("front_30") << "front_30" << QSize(100, 100);
        QTest::newRow("image2") << "image2" << QSize(78, 87);
        QTest::newRow("image3_0") << "image3_0" << QSize(82, 81);
        QTest::newRow("ene") << "ene" << QSize(34, 30);
        QTest::newRow("image1_0") << "image1_0" << QSize(40, 30);
        QTest::newRow("image1_1") << "image1_1" << QSize(40, 30);
        QTest::newRow("prete") << "prete" << QSize(27, 27);
    }
    void everyPictureDecodesAtItsSizeWithATransparentBackground() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QImageReader reader(":/assets/" + name + ".gif");
        QCOMPARE(reader.format(), QByteArray("gif"));
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(img.size(), size);
        QVERIFY(img.hasAlphaChannel());
        for (QPoint corner :
             {QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(0, size.height() - 1),
              QPoint(size.width() - 1, size.height() - 1)})
            QCOMPARE(qAlpha(img.pixel(corner)), 0);
        int opaque = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) opaque += qAlpha(img.pixel(x, y)) == 255;
        QVERIFY2(opaque > img.width() * img.height() / 5, "the picture shows something");
    }
};

QTEST_MAIN(SetupTest)
#include "test_setup.moc"
