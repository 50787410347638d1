// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Qt backend's rooms on their own: the repaint tracker without a window, and the layering
// that keeps Qt Widgets out of the model and the game.

#include "toolkit/qt/repaint.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

namespace {

kt::Picture picture(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::red);
    return kt::Picture(img, "red");
}

} // namespace

class BackendTest : public QObject {
    Q_OBJECT

private slots:
    void theTrackerRepaintsWhereALookChanged_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QRegion>("repainted");
        // An image 20 x 10 pixels at (10, 10), a label at (100, 100) 60 x 20, a line from
        // (300, 15) to (330, 15), a shape at (200, 200) 30 x 30 (its rectangle padded by one).
        QTest::newRow("nothing") << 0 << QRegion();
        QTest::newRow("an image moves by a pixel")
            << 1 << (QRegion(10, 10, 20, 10) + QRegion(11, 10, 20, 10));
        QTest::newRow("an image moves by less than half a pixel") << 2 << QRegion();
        QTest::newRow("an image gets another picture") << 3 << QRegion(10, 10, 20, 10);
        QTest::newRow("a label's caption") << 4 << QRegion(100, 100, 60, 20);
        QTest::newRow("a label's colour") << 5 << QRegion(100, 100, 60, 20);
        QTest::newRow("a label hides") << 6 << QRegion(100, 100, 60, 20);
        QTest::newRow("a line's end moves within its pixel")
            << 7 << QRegion(QRect(QPoint(300 - 2, 15 - 2), QPoint(330 + 2, 15 + 2)));
        QTest::newRow("a shape's colour") << 8 << QRegion(199, 199, 32, 32);
        QTest::newRow("a widget goes away") << 9 << QRegion(100, 100, 60, 20);
        QTest::newRow("a widget comes") << 10 << QRegion(50, 50, 20, 10);
    }
    void theTrackerRepaintsWhereALookChanged() {
        QFETCH(int, change);
        QFETCH(QRegion, repainted);
        const kt::Picture red = picture(20, 10), other = picture(20, 10);
        kt::Image im;
        im.setPicture(red);
        kt::place(im, 150, 150, im.Width, im.Height);
        kt::Label lb;
        kt::place(lb, 1500, 1500, 900, 300);
        lb.Caption = "12000 euri";
        kt::Line ln;
        ln.X1 = 4500, ln.Y1 = 225, ln.X2 = 4950, ln.Y2 = 225;
        kt::Shape sh;
        kt::place(sh, 3000, 3000, 450, 450);
        kt::Image late;
        late.setPicture(red);
        kt::place(late, 750, 750, late.Width, late.Height);
        kt::Layers layers;
        layers.graphic = {&im, &lb, &ln, &sh};

        ktqt::RepaintTracker tracker;
        // The first look at a container paints every widget in it.
        QCOMPARE(tracker.changed(layers), QRegion(10, 10, 20, 10) + QRegion(100, 100, 60, 20) +
                                              ktqt::rectOf(ln) + QRegion(199, 199, 32, 32));
        QVERIFY(tracker.synced(layers));
        switch (change) {
        case 1:
            im.Left += 15;
            break;
        case 2:
            im.Left += 5;
            break;
        case 3:
            im.setPicture(other);
            break;
        case 4:
            lb.Caption = "12001 euri";
            break;
        case 5:
            lb.BackColor = kt::Color{1, 2, 3};
            break;
        case 6:
            lb.Visible = false;
            break;
        case 7:
            ln.X2 += 3;
            break;
        case 8:
            sh.BorderColor = kt::Color{0, 255, 0};
            break;
        case 9:
            layers.graphic = {&im, &ln, &sh};
            break;
        case 10:
            layers.graphic.push_back(&late);
            break;
        default:
            break;
        }
        QVERIFY(change < 9 ? bool(tracker.synced(layers)) : !tracker.synced(layers));
        QCOMPARE(tracker.changed(layers), repainted);
        // Seen once, a change is not repainted again.
        QCOMPARE(tracker.changed(layers), QRegion());
        QVERIFY(tracker.synced(layers));
    }

    void anOpaqueLabelCoversWhatLiesWithin() {
        kt::Label money, glass;
        kt::place(money, 1500, 1500, 900, 300);
        kt::place(glass, 0, 0, 6000, 6000);
        glass.opaque = false;
        kt::Layers layers;
        layers.graphic = {&money, &glass};
        ktqt::RepaintTracker tracker;
        QCOMPARE(tracker.coveredBy(layers, QRect(100, 100, 60, 20)), std::nullopt); // not synced
        tracker.changed(layers);
        // The see-through label in front covers nothing; the opaque one covers its own pixels.
        QCOMPARE(tracker.coveredBy(layers, QRect(100, 100, 60, 20)), std::optional<size_t>(0));
        QCOMPARE(tracker.coveredBy(layers, QRect(100, 100, 61, 20)), std::nullopt);
    }

    void qtWidgetsStaysInTheBackend() {
        // The model and the game are written against the toolkit alone: only the Qt backend, the
        // program's start-up and the tools around it may reach for Qt Widgets, or for the display
        // and its screens (the host tells the model what it needs of them).
        const QDir root(QStringLiteral(KOLVAR_SOURCE_DIR));
        const QRegularExpression widgets(
            QStringLiteral("^\\s*#\\s*include\\s*[<\"](QtWidgets/|Q(Application|Widget|Dialog|"
                           "MessageBox|PushButton|LineEdit|ComboBox|ListWidget|Style\\w*|"
                           "Layout|GridLayout|ToolTip|Label|Frame|GuiApplication|Screen|"
                           "Window)[>\"])"),
            QRegularExpression::MultilineOption);
        QStringList offenders;
        for (const char* dir : {"toolkit", "shell", "battle", "commands", "simulation", "assets"}) {
            QDirIterator it(root.filePath(dir), {"*.h", "*.cpp"}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = it.next();
                if (root.relativeFilePath(path).startsWith("toolkit/qt/")) continue;
                QFile f(path);
                QVERIFY(f.open(QIODevice::ReadOnly));
                if (widgets.match(QString::fromUtf8(f.readAll())).hasMatch())
                    offenders << root.relativeFilePath(path);
            }
        }
        QVERIFY2(offenders.isEmpty(), qPrintable(offenders.join(", ")));
    }
};

QTEST_MAIN(BackendTest)
#include "test_backend.moc"
