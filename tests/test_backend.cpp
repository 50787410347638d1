// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Qt backend's rooms on their own: the repaint tracker without a window, the line fast path
// against QPainter, and the layering that keeps Qt Widgets out of the model and the game.

#include "harness.h"
#include "toolkit/qt/geometry.h"
#include "toolkit/qt/pictures.h"
#include "toolkit/qt/raster.h"
#include "toolkit/qt/repaint.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPaintEngine>
#include <QRegularExpression>
#include <QTest>

namespace {

kt::Picture picture(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::red);
    return kt::Picture(img, "red");
}

/// A window's backing store, 64 x 48 pixels at `scale` device pixels to the pixel, black.
QImage canvas(int scale) {
    QImage img(64 * scale, 48 * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::black);
    return img;
}

/// A canvas painted by `draw` through a painter moved to the logical point `origin`, within
/// `part` (device pixels; empty: the whole canvas), as a repaint of that part would paint it.
template <class Draw> QImage painted(int scale, const QRegion& part, QPoint origin, Draw&& draw) {
    QImage img = canvas(scale);
    if (!part.isEmpty()) img.paintEngine()->setSystemClip(part);
    QPainter p(&img);
    p.translate(origin);
    draw(p);
    return img;
}

/// A canvas showing `pixelAt(x, y)` at each device pixel (x, y) of `part`, black elsewhere: what
/// a repaint of that part should leave.
template <class Pixel> QImage only(int scale, const QRegion& part, Pixel&& pixelAt) {
    QImage img = canvas(scale);
    for (const QRect& r : part)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) img.setPixel(x, y, pixelAt(x, y));
    return img;
}

/// The first few device pixels where two pictures differ, or nothing when they are the same.
QString differences(const QImage& a, const QImage& b) {
    QStringList out;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && out.size() < 6)
                out << QString("(%1,%2) %3")
                           .arg(x)
                           .arg(y)
                           .arg(a.pixel(x, y) == 0xff000000 ? "missing" : "extra");
    return out.join(' ');
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

    // A background is copied row by row straight into the window, each picture pixel enlarged to
    // a block on a HiDPI screen. A repaint may start and end on any device pixel, halfway through
    // a block: every pixel inside it shows the picture pixel it lies on, and nothing outside it
    // is touched.
    void aBackgroundLandsWholeOrInPart_data() {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QPoint>("origin"); // logical pixels
        QTest::addColumn<QRegion>("part");  // device pixels; empty: the whole window
        const QRegion odd = QRegion(1, 1, 1, 57) + QRegion(3, 9, 41, 2) + QRegion(7, 20, 17, 9) +
                            QRegion(50, 31, 70, 13) + QRegion(77, 61, 16, 1);
        for (int scale : {1, 2, 3}) {
            QTest::addRow("%dx, whole", scale) << scale << QPoint() << QRegion();
            QTest::addRow("%dx, shifted", scale) << scale << QPoint(3, 5) << QRegion();
            QTest::addRow("%dx, odd pieces", scale) << scale << QPoint() << odd;
            QTest::addRow("%dx, odd pieces, shifted", scale) << scale << QPoint(1, 2) << odd;
        }
    }
    void aBackgroundLandsWholeOrInPart() {
        QFETCH(int, scale);
        QFETCH(QPoint, origin);
        QFETCH(QRegion, part);
        const QImage picture = kolvar::noise(45, 33);
        const QRect r(2, 1, 40, 30); // logical, within the picture
        bool took = false;
        const QImage img = painted(scale, part, origin, [&](QPainter& p) {
            took = ktqt::rasterCopy(p, picture, r, scale);
        });
        QVERIFY(took);
        const QRect to((r.topLeft() + origin) * scale, r.size() * scale);
        const QImage expected =
            only(scale, part.isEmpty() ? QRegion(to) : part.intersected(to), [&](int x, int y) {
                return picture.pixel(x / scale - origin.x(), y / scale - origin.y());
            });
        QVERIFY2(img == expected, qPrintable(differences(img, expected)));
    }

    // Art is copied straight into the window too, the rows of each enlarged art pixel chosen
    // together: a repaint that starts or ends halfway through a block must still give the pixels
    // Qt gives when it draws the same pixmap.
    void aSpriteLandsWholeOrInPart_data() { aBackgroundLandsWholeOrInPart_data(); }
    void aSpriteLandsWholeOrInPart() {
        QFETCH(int, scale);
        QFETCH(QPoint, origin);
        QFETCH(QRegion, part);
        // Opaque pixels of their own colours and holes, in runs that cross the groups of four and
        // eight pixels the copy takes at once.
        QImage art(37, 23, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < art.height(); ++y)
            for (int x = 0; x < art.width(); ++x)
                art.setPixel(x, y, (x * 3 + y) % 11 < 4 ? 0 : qRgb(x * 6, y * 9, 200));
        ktqt::Sprites sprites;
        const ktqt::Sprite& sprite = sprites.of(kt::Picture(art, "art"), scale);
        QVERIFY(sprite.binary);
        const QPoint at(5, 3);
        const QRect source(QPoint(2 * scale, scale + 1),
                           QSize(33, 21) * scale - QSize(0, 1)); // device pixels
        const auto paint = [&](bool fast) {
            return painted(scale, part, origin, [&](QPainter& p) {
                if (!fast || !ktqt::rasterSprite(p, sprite, at, source))
                    p.drawPixmap(at, sprite.pixmap, source);
            });
        };
        const QImage byUs = paint(true), byQt = paint(false);
        QVERIFY2(byUs == byQt, qPrintable(differences(byUs, byQt)));
        QVERIFY(byUs != canvas(scale));
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
