// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The Qt backend's rooms on their own: the repaint tracker without a window, the kept pixels of a
// line against QPainter, and the layering that keeps Qt Widgets out of the model and the game.

#include "harness.h"
#include "toolkit/qt/geometry.h"
#include "toolkit/qt/lines.h"
#include "toolkit/qt/painter.h"
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
QImage canvas(qreal scale) {
    QImage img(int(64 * scale), int(48 * scale), QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::black);
    return img;
}

/// A canvas painted by `draw` through a painter moved to the logical point `origin`, within
/// `part` (device pixels; empty: the whole canvas), as a repaint of that part would paint it.
template <class Draw> QImage painted(qreal scale, const QRegion& part, QPoint origin, Draw&& draw) {
    QImage img = canvas(scale);
    if (!part.isEmpty()) img.paintEngine()->setSystemClip(part);
    QPainter p(&img);
    p.translate(origin);
    draw(p);
    return img;
}

/// A canvas showing `pixelAt(x, y)` at each device pixel (x, y) of `part`, black elsewhere: what
/// a repaint of that part should leave.
template <class Pixel> QImage only(qreal scale, const QRegion& part, Pixel&& pixelAt) {
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
                out << QString::asprintf("(%d,%d) %s", x, y,
                                         a.pixel(x, y) == 0xff000000 ? "missing" : "extra");
    return out.join(' ');
}

/// What the repaint tracker watches: an image 20 x 10 pixels at (10, 10), a label at (100, 100)
/// 60 x 20, a line from (300, 15) to (330, 15), a shape at (200, 200) 30 x 30 (its rectangle
/// padded by one), and an image at (50, 50) not yet among them.
struct Scene {
    kt::Picture red = picture(20, 10), other = picture(20, 10);
    kt::Image im, late;
    kt::Label lb;
    kt::Line ln;
    kt::Shape sh;
    kt::Layers layers;
    Scene() {
        im.setPicture(red);
        kt::place(im, 150, 150, im.Width, im.Height);
        kt::place(lb, 1500, 1500, 900, 300);
        lb.Caption = "12000 euri";
        ln.X1 = 4500, ln.Y1 = 225, ln.X2 = 4950, ln.Y2 = 225;
        kt::place(sh, 3000, 3000, 450, 450);
        late.setPicture(red);
        kt::place(late, 750, 750, late.Width, late.Height);
        layers.graphic = {&im, &lb, &ln, &sh};
    }
};

const QRegion image(10, 10, 20, 10), label(100, 100, 60, 20);
const struct {
    const char* name;
    void (*make)(Scene&);
    QRegion repainted;
} changes[] = {
    {"nothing", [](Scene&) {}, {}},
    {"an image moves by a pixel", [](Scene& s) { s.im.Left += 15; },
     image + image.translated(1, 0)},
    {"an image moves by less than half a pixel", [](Scene& s) { s.im.Left += 5; }, {}},
    {"an image gets another picture", [](Scene& s) { s.im.setPicture(s.other); }, image},
    {"a label's caption", [](Scene& s) { s.lb.Caption = "12001 euri"; }, label},
    {"a label's colour", [](Scene& s) { s.lb.BackColor = kt::colors::blue; }, label},
    {"a label hides", [](Scene& s) { s.lb.Visible = false; }, label},
    {"a line's end moves within its pixel", [](Scene& s) { s.ln.X2 += 3; },
     QRegion(QRect(QPoint(300 - 2, 15 - 2), QPoint(330 + 2, 15 + 2)))},
    {"a shape's colour", [](Scene& s) { s.sh.BorderColor = kt::colors::green; },
     QRegion(199, 199, 32, 32)},
    // The last two change the layer's widgets, which a sync must see again.
    {"a widget goes away", [](Scene& s) { s.layers.graphic.erase(s.layers.graphic.begin() + 1); },
     label},
    {"a widget comes", [](Scene& s) { s.layers.graphic.push_back(&s.late); },
     QRegion(50, 50, 20, 10)},
};

} // namespace

class BackendTest : public QObject {
    Q_OBJECT

private slots:
    void theTrackerRepaintsWhereALookChanged_data() {
        QTest::addColumn<int>("change");
        for (int i = 0; i < int(std::size(changes)); ++i) QTest::newRow(changes[i].name) << i;
    }
    void theTrackerRepaintsWhereALookChanged() {
        QFETCH(int, change);
        Scene s;
        ktqt::RepaintTracker tracker;
        // The first look at a container paints every widget in it.
        QCOMPARE(tracker.changed(s.layers),
                 image + label + ktqt::rectOf(s.ln) + QRegion(199, 199, 32, 32));
        QVERIFY(tracker.synced(s.layers));
        changes[change].make(s);
        QVERIFY(change < 9 ? bool(tracker.synced(s.layers)) : !tracker.synced(s.layers));
        QCOMPARE(tracker.changed(s.layers), changes[change].repainted);
        // Seen once, a change is not repainted again.
        QCOMPARE(tracker.changed(s.layers), QRegion());
        QVERIFY(tracker.synced(s.layers));
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

    // A line's pixels are QPainter's, kept as runs and stored again while it stays as it is:
    // wherever the window's origin lies, at any scale, whether or not the line leaves the
    // window, and in a repaint of any part of the window each pixel where the whole paint puts it.
    void aKeptLineLandsWhereQPainterPutsIt_data() {
        QTest::addColumn<QLineF>("ends"); // pixels
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("style"); // the model's BorderStyle
        QTest::addColumn<QPoint>("origin");
        QTest::addColumn<qreal>("scale");
        struct Row {
            const char* name;
            QLineF ends;
            int width, style = 1;
            QPoint origin = {};
        };
        const double tie = 0.5;
        const Row rows[] = {
            {"horizontal, fractional ends", QLineF(4.47, 10.2, 37.53, 10.2), 1},
            {"vertical, 3 wide", QLineF(7, 44, 7, 3), 3},
            {"shallow", QLineF(3, 4, 50, 19), 1},
            {"steep, up and right", QLineF(4, 44, 19, 3), 1},
            {"shallow, ends on pixel edges", QLineF(2 + tie, 3 + tie, 55 + tie, 20 + tie), 1},
            {"slanted, 2 wide, against the picture's sides", QLineF(0.2, 3, 63.8, 45), 2},
            {"shallow, ends outside", QLineF(-30.13, -2.87, 90.4, 41.07), 1},
            // Where QPainter cuts a line at the device's edge moves the pixels of the rest.
            {"steep, out on the left", QLineF(37 / 15., 459 / 15., -3, -100 / 15.), 1},
            {"steep, 2 wide, out on the left", QLineF(0, 353 / 15., -8, 1), 2},
            {"slanted, 2 wide, out at the bottom",
             QLineF(784 / 15., 449 / 15., 411 / 15., 806 / 15.), 2},
            {"dashed, out on the left, in a child widget",
             QLineF(76.6, 553 / 15., -364 / 15., 13.2),
             1,
             2,
             {-5, -10}},
            {"no length", QLineF(10, 10, 10, 10), 1},
            {"dashed", QLineF(3, 40, 60, 7), 1, 2},
            {"dash-dot, 4 wide", QLineF(3, 7, 60, 30), 4, 4},
            {"shallow, in a child widget", QLineF(3, 19, 50, 4), 1, 1, {-1, 11}},
            {"horizontal, in a child widget", QLineF(4.47, 10.2, 37.53, 10.2), 2, 1, {13, -4}},
        };
        // At 1.5 a child widget stands on a whole device pixel, as the battlefield's panel does.
        for (qreal scale : {1.0, 1.5, 2.0})
            for (const Row& r : rows)
                QTest::addRow("%s, %gx", r.name, scale)
                    << r.ends << r.width << r.style << r.origin * (scale == 1.5 ? 2 : 1) << scale;
    }
    void aKeptLineLandsWhereQPainterPutsIt() {
        QFETCH(QLineF, ends);
        QFETCH(int, width);
        QFETCH(int, style);
        QFETCH(QPoint, origin);
        QFETCH(qreal, scale);
        kt::Line ln; // the same line in the model, its ends in twips as the window gets them
        ln.X1 = float(ends.x1()) * kt::twipsPerPixel, ln.Y1 = float(ends.y1()) * kt::twipsPerPixel;
        ln.X2 = float(ends.x2()) * kt::twipsPerPixel, ln.Y2 = float(ends.y2()) * kt::twipsPerPixel;
        ln.BorderWidth = width, ln.BorderStyle = style, ln.BorderColor = {255, 255, 0};
        ends = ktqt::pxLine(ln);
        QPen pen(QColor(255, 255, 0), width, ktqt::penStyle(style));
        pen.setCapStyle(Qt::FlatCap);
        const QImage byQt = painted(scale, {}, origin, [&](QPainter& p) {
            p.setPen(pen);
            p.drawLine(ends);
        });
        const auto runs =
            ktqt::linePixels(pen, ends, scale, QRect(-origin * scale, QSize(64, 48) * scale));
        QVERIFY(runs);
        const auto kept = [&](const QRegion& part) {
            return painted(scale, part, origin, [&](QPainter& p) {
                QVERIFY(ktqt::storeRuns(p, *runs, scale, pen.color().rgb()));
            });
        };
        const QImage whole = kept({});
        QVERIFY2(whole == byQt, qPrintable(differences(whole, byQt)));
        // Two strips and a small box, as moving sprites cut a repaint.
        const auto dev = [&](int logical) { return int(logical * scale); };
        const QRegion part = QRegion(dev(5), 0, dev(9), dev(48)) +
                             QRegion(0, dev(17), dev(64), dev(3)) +
                             QRegion(dev(30) + 1, dev(33), 7, 5);
        const QImage repainted = kept(part);
        const QImage expected = only(scale, part, [&](int x, int y) { return byQt.pixel(x, y); });
        QVERIFY2(repainted == expected, qPrintable(differences(repainted, expected)));
        // The window's painter: QPainter's own paint first, then the pixels kept.
        ktqt::Caches caches;
        ktqt::GraphicPainter window(caches);
        for (const QRegion& at : {QRegion(), QRegion(), part}) {
            const QImage got = painted(
                scale, at, origin, [&](QPainter& p) { window.paint(p, ln, ktqt::wholeScale(p)); });
            const QImage& want = at.isEmpty() ? byQt : expected;
            QVERIFY2(got == want, qPrintable(differences(got, want)));
        }
        // A sprite moving over the standing line repaints a small box at a time: QPainter would
        // cut the line at the box's edges, which moves its pixels at a fractional scale.
        for (int y = 0; y < 48; y += 7)
            for (int x = 0; x < 64; x += 9) {
                const QRegion box(dev(x), dev(y), dev(9), dev(7));
                const QImage got = painted(scale, box, origin, [&](QPainter& p) {
                    window.paint(p, ln, ktqt::wholeScale(p));
                });
                const QImage want =
                    only(scale, box, [&](int bx, int by) { return byQt.pixel(bx, by); });
                QVERIFY2(got == want, qPrintable(QString("box at %1,%2: ").arg(x).arg(y) +
                                                 differences(got, want)));
            }
        // A new line is first painted in a repaint of its own rectangle and whatever else moved
        // (a sprite), which widens the clip QPainter would cut a line leaving the window at.
        const QRect own = ktqt::rectOf(ln).translated(origin);
        const QRegion first = (QRegion(QRect(own.topLeft() * scale, own.size() * scale)) +
                               QRect(QPoint(36, 4) * scale, QSize(13, 13) * scale)) &
                              QRect(0, 0, dev(64), dev(48));
        ktqt::GraphicPainter fresh(caches);
        const QImage got = painted(scale, first, origin,
                                   [&](QPainter& p) { fresh.paint(p, ln, ktqt::wholeScale(p)); });
        const QImage want = only(scale, first, [&](int x, int y) { return byQt.pixel(x, y); });
        QVERIFY2(got == want, qPrintable("first paint: " + differences(got, want)));
    }

    // A sprite repainted through a region of many rectangles, as moving units cut a repaint,
    // shows each pixel where a paint of the whole window puts it, at every scale a desktop
    // offers: at 1.75 Qt once inked a row more of it there.
    void aSpriteRepaintedInPartShowsWhatAWholePaintShows_data() {
        QTest::addColumn<qreal>("scale");
        for (qreal scale : {1.0, 1.25, 1.5, 1.75, 2.0}) QTest::addRow("%gx", scale) << scale;
    }
    void aSpriteRepaintedInPartShowsWhatAWholePaintShows() {
        QFETCH(qreal, scale);
        const auto dev = [&](int logical) { return int(std::lround(logical * scale)); };
        // The device pixels Qt repaints for a region of the window: each edge rounded.
        const auto onDevice = [&](const QRect& r) {
            return QRect(QPoint(dev(r.left()), dev(r.top())),
                         QPoint(dev(r.right() + 1) - 1, dev(r.bottom() + 1) - 1));
        };
        const kt::Picture sprite = picture(27, 27);
        ktqt::Caches caches;
        for (int y = 3; y < 8; ++y)
            for (int x = 3; x < 7; ++x) {
                kt::Image im;
                im.setPicture(sprite);
                kt::place(im, float(x * kt::twipsPerPixel), float(y * kt::twipsPerPixel), im.Width,
                          im.Height);
                ktqt::GraphicPainter window(caches);
                const auto paint = [&](QPainter& p) { window.paint(p, im, ktqt::wholeScale(p)); };
                const QImage whole = painted(scale, {}, {}, paint);
                // A band across the top of the picture and another, shifted, across its bottom.
                const QRegion part = QRegion(onDevice(QRect(x - 3, y, 27, 6))) +
                                     QRegion(onDevice(QRect(x + 5, y + 6, 27, 30)));
                const QImage got = painted(scale, part, {}, paint);
                const QImage want =
                    only(scale, part, [&](int px, int py) { return whole.pixel(px, py); });
                QVERIFY2(got == want, qPrintable(QString("a sprite at %1,%2: ").arg(x).arg(y) +
                                                 differences(got, want)));
            }
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
