// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real windows on a HiDPI screen: the scale comes from KOLVAR_SCALE (or QT_SCALE_FACTOR) and
// is set before Qt starts, so one executable runs at 1, 2 and 1.5. At whole scales every art
// pixel must become a solid block and text must be drawn at the screen's own resolution; at any
// scale windows keep their designed size and no caption is cut off.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <set>

using kolvar::Game;

namespace {

double scale = 1;

bool wholeScale() {
    return scale == std::floor(scale);
}

// The window in device pixels, as the screen gets it.
QImage deviceShot(QWidget* w) {
    QImage img = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    img.setDevicePixelRatio(1);
    return img;
}

// A rectangle in logical pixels, in device pixels: the pixels it covers.
QRect device(const QRect& r) {
    const int x0 = int(std::floor(r.left() * scale)), y0 = int(std::floor(r.top() * scale));
    const int x1 = int(std::ceil((r.left() + r.width()) * scale));
    const int y1 = int(std::ceil((r.top() + r.height()) * scale));
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1));
}

QRect pxRect(const kt::Widget& w, bool inForm) {
    const float l = inForm ? w.formLeft() : w.Left, t = inForm ? w.formTop() : w.Top;
    auto px = [](float v) { return int(std::lround(v / kt::twipsPerPixel)); };
    return QRect(px(l), px(t), px(l + w.Width) - px(l), px(t + w.Height) - px(t));
}

int maxChannel(QRgb c) {
    return std::max({qRed(c), qGreen(c), qBlue(c)});
}

} // namespace

class HiDpiTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QCOMPARE(qApp->devicePixelRatio(), scale);
        qInfo() << "scale" << scale;
    }

    void spritesAreWholeArtPixels() {
        Game g;
        kolvar::Form1& f = g.battle();
        ktqt::FormView* field = viewOf(g, "Form1");
        QVERIFY(field);
        const QImage shot = deviceShot(field);
        // Tovo, the commander, stands at (64, 200) when a battle begins and shows his front.
        QCOMPARE(pxRect(f.ima[0], true).topLeft(), QPoint(64, 200));
        const QImage art = QImage(":/assets/front_10.gif").convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(art.size(), QSize(27, 27));
        std::set<QRgb> palette{qRgb(255, 255, 255)}; // the battlefield shows through
        for (int y = 0; y < art.height(); ++y)
            for (int x = 0; x < art.width(); ++x)
                if (qAlpha(art.pixel(x, y)) == 255) palette.insert(art.pixel(x, y) | 0xff000000);
        QVERIFY(palette.size() > 5);
        const QRect sprite = device(QRect(64, 200, 27, 27));
        // Nearest-neighbour at any scale: no pixel of a blended, blurred colour.
        for (int y = sprite.top(); y <= sprite.bottom(); ++y)
            for (int x = sprite.left(); x <= sprite.right(); ++x)
                QVERIFY2(palette.count(shot.pixel(x, y) | 0xff000000),
                         qPrintable(QString("device pixel %1,%2 is no art colour").arg(x).arg(y)));
        if (!wholeScale()) return;
        // At a whole scale each art pixel is an s x s block of exactly its colour.
        QImage blocks(art.size(), QImage::Format_RGB32);
        blocks.fill(Qt::white);
        QPainter(&blocks).drawImage(0, 0, art);
        QCOMPARE(shot.copy(sprite), blocks.scaled(art.size() * int(scale), Qt::IgnoreAspectRatio,
                                                  Qt::FastTransformation));
    }

    void textIsDrawnAtTheScreensResolution() {
        Game g;
        kolvar::Form1& f = g.battle();
        g.wait(200); // the first movement ticks write the money
        QVERIFY(QString::fromStdString(f.Label1.Caption).endsWith("000 euri"));
        const QImage shot = deviceShot(viewOf(g, "Form1"));
        // Inside the money label's border: its text, black on yellow.
        const QRect text = device(pxRect(f.Label1, true).adjusted(2, 2, -2, -2));
        int black = 0, yellow = 0, blocky = 0, blocks = 0;
        for (int y = text.top(); y <= text.bottom(); ++y)
            for (int x = text.left(); x <= text.right(); ++x) {
                const QRgb c = shot.pixel(x, y);
                black += maxChannel(c) <= 40;
                yellow += (c | 0xff000000) == qRgb(255, 255, 128);
            }
        QVERIFY2(yellow > text.width() * text.height() / 2, "the label's background");
        // Crisp strokes reach full black; blurred ones stay grey.
        QVERIFY2(black >= 20 * scale * scale, qPrintable(QString("%1 black pixels").arg(black)));
        if (wholeScale() && scale > 1) {
            // Glyphs drawn at device resolution have edges finer than a logical pixel: some
            // aligned s x s blocks are not uniform, as they would all be in an enlarged 1x text.
            const int s = int(scale);
            for (int y = text.top() - text.top() % s; y + s <= text.bottom(); y += s)
                for (int x = text.left() - text.left() % s; x + s <= text.right(); x += s) {
                    bool same = true;
                    for (int d = 1; d < s * s; ++d)
                        same = same && shot.pixel(x + d % s, y + d / s) == shot.pixel(x, y);
                    if (maxChannel(shot.pixel(x, y)) < 200) ++blocks, blocky += same;
                }
            QVERIFY2(blocks > 10 && blocky * 2 < blocks,
                     qPrintable(QString("%1 of %2 inked blocks uniform").arg(blocky).arg(blocks)));
        }
    }

    void windowsKeepTheirDesignedSize() {
        Game g;
        g.run("click frmSplash Command4\nclick frmSplash Command3");
        for (const char* name : {"frmSplash", "Dialog", "brow", "Form1"}) {
            if (name == std::string("Form1")) g.battle();
            ktqt::FormView* v = viewOf(g, name);
            QVERIFY2(v && v->isVisible(), name);
            // Client pixels of its twips, as the window was designed.
            const QSize want =
                (QSizeF(v->form()->ScaleWidth, v->form()->ScaleHeight) / kt::twipsPerPixel)
                    .toSize();
            QCOMPARE(v->size(), want);
            QVERIFY(v->windowHandle());
            QCOMPARE(v->windowHandle()->devicePixelRatio(), scale);
            const QPixmap grabbed = v->grab();
            QCOMPARE(grabbed.devicePixelRatio(), scale);
            const QSize got = grabbed.size();
            QVERIFY2(std::abs(got.width() - want.width() * scale) <= 1 &&
                         std::abs(got.height() - want.height() * scale) <= 1,
                     qPrintable(QString(name) + " is " + kolvar::rectText(QRect(QPoint(), got))));
        }
    }

    // The browser's lists keep all four borders: at 1.5 the file list once lost its bottom one
    // under its own rows.
    void theBrowsersListsKeepTheirBorders() {
        Game g;
        g.run("click frmSplash Command3");
        ktqt::FormView* v = viewOf(g, "brow");
        QVERIFY(v);
        const QImage shot = deviceShot(v);
        for (const char* name : {"File1", "Dir1"}) {
            const kt::Widget& w = *g.app.formByName("brow")->find(name);
            const QRect r = device(pxRect(w, true));
            const QPoint mid = r.center();
            // Somewhere within a device pixel and a half of each edge, a line darker than the
            // white inside and the grey outside.
            auto edge = [&](QPoint from, QPoint step) {
                int darkest = 255;
                for (int i = -2; i <= 2; ++i)
                    if (const QPoint p = from + step * i; shot.rect().contains(p))
                        darkest = std::min(darkest, maxChannel(shot.pixel(p)));
                return darkest;
            };
            const QString at = QString(" of %1 at ").arg(name) + kolvar::rectText(r);
            QVERIFY2(edge(QPoint(mid.x(), r.top()), {0, 1}) < 225, qPrintable("top" + at));
            QVERIFY2(edge(QPoint(mid.x(), r.bottom()), {0, 1}) < 225, qPrintable("bottom" + at));
            QVERIFY2(edge(QPoint(r.left(), mid.y()), {1, 0}) < 225, qPrintable("left" + at));
            QVERIFY2(edge(QPoint(r.right(), mid.y()), {1, 0}) < 225, qPrintable("right" + at));
        }
    }

    void theStartMenusCaptionsFit() {
        Game g;
        ktqt::FormView* menu = viewOf(g, "frmSplash");
        QVERIFY(menu);
        const QImage shot = deviceShot(menu);
        const QRect window(QPoint(0, 0), menu->size());
        int labels = 0;
        for (kt::Widget* w : menu->form()->widgets()) {
            if (w->kind == kt::Kind::Frame) {
                QVERIFY2(window.contains(pxRect(*w, true)), w->name.c_str());
                continue;
            }
            if (w->kind != kt::Kind::Label || !w->shown()) continue;
            auto& l = static_cast<kt::Label&>(*w);
            if (l.Caption.empty()) continue;
            ++labels;
            // Its caption drawn without a clip at this scale inks only inside the label, and
            // inside its frame clear of the frame's two-pixel border.
            const QRect own = pxRect(l, false);
            QRect room = own;
            if (l.container)
                room &=
                    QRect(QPoint(0, 0), pxRect(*l.container, false).size()).adjusted(2, 2, -2, -2);
            else
                room &= window;
            const QRect area = own.adjusted(-40, -40, 40, 40);
            QImage ink(device(area).size(), QImage::Format_ARGB32_Premultiplied);
            ink.fill(Qt::transparent);
            ink.setDevicePixelRatio(scale);
            {
                QPainter p(&ink);
                p.translate(-area.topLeft());
                p.setFont(g.frontend->caches().fonts.font(l.font));
                p.setPen(Qt::black);
                const int align = l.Alignment == kt::Align::Right    ? Qt::AlignRight
                                  : l.Alignment == kt::Align::Center ? Qt::AlignHCenter
                                                                     : Qt::AlignLeft;
                p.drawText(own,
                           Qt::TextDontClip | Qt::AlignTop | align |
                               (l.wordWrap ? Qt::TextWordWrap : 0),
                           QString::fromStdString(l.Caption));
            }
            QRect inked;
            for (int y = 0; y < ink.height(); ++y)
                for (int x = 0; x < ink.width(); ++x)
                    if (qAlpha(ink.pixel(x, y)) > 0) inked |= QRect(x, y, 1, 1);
            QVERIFY2(!inked.isEmpty(), l.name.c_str());
            const QRect allowed = device(room).translated(-device(area).topLeft());
            QVERIFY2(allowed.contains(inked),
                     qPrintable(QString("%1 '%2' inks %3 outside %4")
                                    .arg(l.name.c_str(), l.Caption.c_str(), kolvar::rectText(inked),
                                         kolvar::rectText(allowed))));
            // And the real window shows it there.
            const QRect onScreen = device(pxRect(l, true));
            int dark = 0;
            for (int y = onScreen.top(); y <= onScreen.bottom(); ++y)
                for (int x = onScreen.left(); x <= onScreen.right(); ++x)
                    dark += maxChannel(shot.pixel(x, y)) < 120;
            QVERIFY2(dark > 10, l.name.c_str());
        }
        QCOMPARE(labels, 6);
    }
};

int main(int argc, char** argv) {
    QByteArray wanted = qgetenv("KOLVAR_SCALE");
    if (wanted.isEmpty()) wanted = qgetenv("QT_SCALE_FACTOR");
    if (wanted.isEmpty()) wanted = "1";
    scale = wanted.toDouble();
    if (scale <= 0) {
        qCritical("KOLVAR_SCALE must be a positive number, not '%s'", wanted.constData());
        return 2;
    }
    qputenv("QT_SCALE_FACTOR", wanted);
    QApplication app(argc, argv);
    HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
