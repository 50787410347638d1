// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The artwork every widget of a battle shows: each picture the battlefield uses decodes, with a
// transparent background around something to see.

#include "harness.h"

#include <QImageReader>
#include <QTest>

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void everyPictureDecodesWithATransparentBackground_data() {
        QTest::addColumn<QString>("name");
        QStringList names = {"front_6", "front_30", "image2",   "image3_0",
                             "ene",     "image1_0", "image1_1", "prete"};
        for (int k : {0, 1, 2, 3, 4, 5, 10, 11})
            for (const char* view : {"front_", "backimage_", "sideimagel_", "sideimager_"})
                names << view + QString::number(k);
        for (int k = 0; k <= 6; ++k) names << QString("command1_%1").arg(k);
        for (const QString& name : names) QTest::newRow(qPrintable(name)) << name;
    }
    void everyPictureDecodesWithATransparentBackground() {
        QFETCH(QString, name);
        QImageReader reader(":/assets/" + name + ".gif");
        QCOMPARE(reader.format(), QByteArray("gif"));
        const QImage img = reader.read();
        QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
        QVERIFY(img.hasAlphaChannel());
        const int w = img.width() - 1, h = img.height() - 1;
        for (QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            QCOMPARE(qAlpha(img.pixel(corner)), 0);
        int opaque = 0;
        for (int y = 0; y <= h; ++y)
            for (int x = 0; x <= w; ++x) opaque += qAlpha(img.pixel(x, y)) == 255;
        QVERIFY2(opaque > img.width() * img.height() / 5, "the picture shows something");
    }
};

QTEST_MAIN(SetupTest)
#include "test_setup.moc"
