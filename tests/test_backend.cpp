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

/// A line of the model, its ends in twips.
kt::Line line(const QLineF& twips, int width) {
    kt::Line ln;
    ln.X1 = float(twips.x1()), ln.Y1 = float(twips.y1());
    ln.X2 = float(twips.x2()), ln.Y2 = float(twips.y2());
    ln.BorderWidth = width;
    ln.BorderColor = kt::Color{255, 255, 0};
    return ln;
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

/// The line as the graphic painter draws it when the fast path leaves it to Qt.
void drawnByQt(QPainter& p, const kt::Line& ln) {
    QPen pen(ktqt::qc(ln.BorderColor), std::max(1, ln.BorderWidth), Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(ln.X1 / ktqt::twips, ln.Y1 / ktqt::twips),
               QPointF(ln.X2 / ktqt::twips, ln.Y2 / ktqt::twips));
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

    // The fast path writes a solid line's pixels itself: it has to put them where QPainter would,
    // or a line would shift by a pixel between the window and a picture Qt draws of it, and at
    // the edge of a repaint. Where it cannot, it leaves the line to QPainter: only a slanted line
    // wider than a device pixel that reaches out of the picture, where Qt's clipping of it cannot
    // be told to the last bit. Every other line it must take itself.
    void aLineLandsWhereQPainterPutsIt_data() {
        QTest::addColumn<QLineF>("ends"); // twips
        QTest::addColumn<int>("width");
        QTest::addColumn<QPoint>("origin"); // where the painter's pixel (0, 0) lies, in pixels
        QTest::addColumn<int>("scale");
        QTest::addColumn<bool>("taken"); // the fast path must draw it itself
        struct Row {
            const char* name;
            QLineF ends; // pixels
            int width;
            bool wideToQt = false; // slanted and reaching out of the picture
            QPoint origin = {};
            QPointF nudge = {}; // twips, to the second end
        };
        const double third = 1.0 / 3, tie = 0.5;
        const Row rows[] = {
            {"horizontal", QLineF(5, 5, 40, 5), 1},
            {"horizontal, right to left", QLineF(40, 5, 5, 5), 1},
            {"horizontal, 2 wide", QLineF(5, 5, 40, 5), 2},
            {"horizontal, 3 wide", QLineF(5, 5, 40, 5), 3},
            {"horizontal, 4 wide", QLineF(40, 5, 5, 5), 4},
            {"horizontal, fractional ends", QLineF(4.47, 10.2, 37.53, 10.2), 1},
            {"horizontal, fractional ends, 2 wide", QLineF(37.53, 10.2, 4.47, 10.2), 2},
            {"horizontal, fractional ends, 3 wide", QLineF(4.47, 10.8, 37.53, 10.8), 3},
            {"horizontal, ends on pixel edges", QLineF(4 + tie, 10 + tie, 37 + tie, 10 + tie), 1},
            {"horizontal, ends on pixel edges, 2 wide", QLineF(4 + tie, 10, 37 + tie, 10), 2},
            {"horizontal, ends on pixel edges, 3 wide", QLineF(37 + tie, 10, 4 + tie, 10), 3},
            {"horizontal, ends on pixel edges, 4 wide", QLineF(4 + tie, 9 + tie, 37 + tie, 9 + tie),
             4},
            {"vertical", QLineF(7, 3, 7, 44), 1},
            {"vertical, bottom to top", QLineF(7, 44, 7, 3), 1},
            {"vertical, 2 wide", QLineF(7, 3, 7, 44), 2},
            {"vertical, 3 wide", QLineF(7, 44, 7, 3), 3},
            {"vertical, 4 wide, fractional ends", QLineF(7.4, 3.13, 7.4, 44.87), 4},
            {"vertical, ends on pixel edges, 3 wide", QLineF(7 + tie, 3 + tie, 7 + tie, 44 + tie),
             3},
            {"vertical, ends on pixel edges, 4 wide", QLineF(7 + tie, 44 + tie, 7 + tie, 3 + tie),
             4},
            {"shallow, down and right", QLineF(3, 4, 50, 19), 1},
            {"shallow, up and left", QLineF(50, 19, 3, 4), 1},
            {"shallow, up and right", QLineF(3, 19, 50, 4), 1},
            {"shallow, down and left", QLineF(50, 4, 3, 19), 1},
            {"steep, down and right", QLineF(4, 3, 19, 44), 1},
            {"steep, up and left", QLineF(19, 44, 4, 3), 1},
            {"steep, up and right", QLineF(4, 44, 19, 3), 1},
            {"steep, down and left", QLineF(19, 3, 4, 44), 1},
            {"at 45 degrees", QLineF(2, 2, 40, 40), 1},
            {"at 45 degrees, up and right", QLineF(2, 40, 40, 2), 1},
            {"shallow, fractional ends", QLineF(10.47, 4.2, 50 + third, 17.87), 1},
            {"steep, fractional ends", QLineF(40.93, 1.07, 33.13, 45 + third), 1},
            {"shallow, ends on pixel edges", QLineF(2 + tie, 3 + tie, 55 + tie, 20 + tie), 1},
            {"steep, ends on pixel edges", QLineF(30 + tie, 44 + tie, 21 + tie, 2 + tie), 1},
            {"shallow, up and right, ends on pixel edges",
             QLineF(2 + tie, 20 + tie, 55 + tie, 3 + tie), 1},
            {"slanted, 2 wide", QLineF(3, 4, 50, 19), 2},
            {"slanted, 3 wide, fractional ends", QLineF(40.93, 1.07, 33.13, 45 + third), 3},
            {"slanted, 4 wide", QLineF(50, 4, 3, 19), 4},
            {"slanted, 4 wide, ends on pixel edges", QLineF(50 + tie, 4 + tie, 3 + tie, 30 + tie),
             4},
            {"at 45 degrees, 2 wide", QLineF(2, 40, 40, 2), 2},
            {"slanted, 2 wide, against the picture's sides", QLineF(0.2, 3, 63.8, 45), 2},
            {"slanted, 3 wide, along the picture's top", QLineF(55, -1 - 2 / 15.0, 21.5, -1), 3},
            {"slanted, 4 wide, from above the picture", QLineF(60, -1.2, 20, 40), 4},
            {"nearly horizontal, 2 wide", QLineF(2, 20, 60, 20 + third), 2},
            {"all but vertical, 4 wide", QLineF(7, 3, 7, 44), 4, false, {}, QPointF(0.2, 0)},
            {"all but horizontal, 3 wide",
             QLineF(3, 20 + tie, 60, 20 + tie),
             3,
             false,
             {},
             QPointF(0, -0.2)},
            {"horizontal, ends outside", QLineF(-20, 9, 80, 9), 1},
            {"horizontal, ends outside, 2 wide", QLineF(-20.2, 9, 80, 9), 2},
            {"horizontal, on the picture's edge, 4 wide", QLineF(-3, 0, 70, 0), 4},
            {"vertical, ends outside, 3 wide", QLineF(60 + tie, -9.13, 60 + tie, 61), 3},
            {"shallow, ends outside", QLineF(-30.13, -2.87, 90.4, 41.07), 1, true},
            {"steep, ends outside", QLineF(17.73, 70.2, 40.13, -25.47), 1, true},
            {"shallow, one end outside", QLineF(20 + tie, 30.2, 91.33, 12.4), 1, true},
            {"steep, one end outside, on a pixel edge", QLineF(12 + tie, 60.87, 22, 3 + tie), 1,
             true},
            {"slanted, 4 wide, one end outside", QLineF(30, 20, 70.4, 51.2), 4, true},
            {"all outside", QLineF(-9, -20, 30, -3), 1},
            {"all outside, straight, 2 wide", QLineF(-9, 50, 30, 50), 2},
            {"one pixel long", QLineF(9.6, 9.2, 10.4, 9.2), 1},
            {"no length", QLineF(10, 10, 10, 10), 1},
            {"no length, on a pixel edge", QLineF(10 + tie, 10 + tie, 10 + tie, 10 + tie), 1},
            {"no length, 2 wide", QLineF(10.2, 10, 10.2, 10), 2},
            {"horizontal, in a child widget", QLineF(4.47, 10.2, 37.53, 10.2), 2, false, {13, -4}},
            {"shallow, in a child widget", QLineF(3, 19, 50, 4), 1, false, {-1, 11}},
        };
        for (int scale : {1, 2})
            for (const Row& r : rows) {
                // Whole twips, and half ones where an end lies on a pixel's edge.
                const auto tw = [](double px) { return std::round(px * 30) / 2; };
                const QLineF twips(tw(r.ends.x1()), tw(r.ends.y1()), tw(r.ends.x2()) + r.nudge.x(),
                                   tw(r.ends.y2()) + r.nudge.y());
                QTest::addRow("%s, %dx", r.name, scale) << twips << r.width << r.origin << scale
                                                        << !(r.wideToQt && r.width * scale > 1);
            }
    }
    void aLineLandsWhereQPainterPutsIt() {
        QFETCH(QLineF, ends);
        QFETCH(int, width);
        QFETCH(QPoint, origin);
        QFETCH(int, scale);
        QFETCH(bool, taken);
        const kt::Line ln = line(ends, width);
        bool took = false;
        const auto paint = [&](const QRegion& part, bool fast) {
            return painted(scale, part, origin, [&](QPainter& p) {
                took = fast && ktqt::rasterLine(p, ln, scale);
                if (!took) drawnByQt(p, ln);
            });
        };
        const QImage byQt = paint({}, false), byUs = paint({}, true);
        QVERIFY2(took || !taken, "the fast path left the line to QPainter");
        QVERIFY2(byUs == byQt, qPrintable(differences(byUs, byQt)));

        // A repaint of two strips and a small box, as moving sprites cut them, puts each pixel
        // where the whole paint does.
        const QRegion part = QRegion(5 * scale, 0, 9 * scale, 48 * scale) +
                             QRegion(0, 17 * scale, 64 * scale, 3 * scale) +
                             QRegion(30 * scale + 1, 33 * scale, 7, 5);
        const QImage repainted = paint(part, true);
        if (!took) return; // what Qt itself does at a repaint's edge is its own
        const QImage expected = only(scale, part, [&](int x, int y) { return byQt.pixel(x, y); });
        QVERIFY2(repainted == expected, qPrintable(differences(repainted, expected)));
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
