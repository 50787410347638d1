// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real Qt windows on the offscreen platform: what a player sees, what a click does and what a
// tick repaints. The scale comes from KOLVAR_SCALE (or QT_SCALE_FACTOR) and is set before Qt
// starts, so the start menu, the windows and the battlefield are seen again at 2 and 1.5 (see
// CMakeLists.txt). At whole scales every art pixel must become a solid block and text must be
// drawn at the screen's own resolution; at any scale windows keep their designed size and no
// caption is cut off.

#include "harness.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/geometry.h"
#include "toolkit/qt/text.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <set>

using kolvar::Game;

namespace {

double scale = 1;

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

// The device pixels of `shot` in the device rectangle `d` whose colour `is` takes.
template <class Is> int count(const QImage& shot, const QRect& d, Is&& is) {
    int n = 0;
    for (int y = d.top(); y <= d.bottom(); ++y)
        for (int x = d.left(); x <= d.right(); ++x) n += is(shot.pixel(x, y));
    return n;
}

// Device pixels in the logical rectangle `r` that differ clearly from white.
int inked(const QImage& shot, const QRect& r) {
    return count(shot, device(r), [](QRgb c) { return 765 - qRed(c) - qGreen(c) - qBlue(c) > 90; });
}

QPushButton* button(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

int qtAlign(kt::Align a) {
    return a == kt::Align::Right    ? Qt::AlignRight
           : a == kt::Align::Center ? Qt::AlignHCenter
                                    : Qt::AlignLeft;
}

/// Records the region of every paint event a window receives.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

} // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void theStartMenusCaptionsFitAndGiocaStartsABattle() {
        Game g;
        ktqt::FormView* menu = viewOf(g, "frmSplash");
        QVERIFY(menu && menu->isVisible());
        QVERIFY(menu->windowFlags() & Qt::FramelessWindowHint);
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
                p.drawText(own,
                           Qt::TextDontClip | Qt::AlignTop | qtAlign(l.Alignment) |
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
            const int dark =
                count(shot, device(pxRect(l, true)), [](QRgb c) { return maxChannel(c) < 120; });
            QVERIFY2(dark > 10, l.name.c_str());
        }
        QCOMPARE(labels, 6);
        QPushButton* gioca = button(menu, "gioca");
        QVERIFY(gioca);
        QVERIFY(gioca->hasFocus() || QApplication::focusWidget() == nullptr);
        QTest::mouseClick(gioca, Qt::LeftButton);
        ktqt::FormView* field = viewOf(g, "Form1");
        QVERIFY(field && field->isVisible());
        QCOMPARE(field->windowTitle(), QString("Gioco fatto da Ondrasti"));
    }

    // The help, the browser and the battlefield the menu opens keep their designed size, and the
    // view follows the model and retires with its form. Qt's own title bars offer maximise
    // whatever the flags say; maximise once moved the fixed battlefield to the corner of the
    // screen. The browser's lists keep all four borders: at 1.5 the file list once lost its
    // bottom one under its own rows.
    void windowsKeepTheirDesignedSize() {
        Game g;
        g.run("click frmSplash Command4\nclick frmSplash Command3");
        const QImage browser = deviceShot(viewOf(g, "brow"));
        for (const char* name : {"File1", "Dir1"}) {
            const QRect r = device(pxRect(*g.app.formByName("brow")->find(name), true));
            const QPoint mid = r.center();
            // Somewhere within a device pixel and a half of each edge, a line darker than the
            // white inside and the grey outside.
            const std::pair<const char*, QPoint> edges[] = {{"top", {mid.x(), r.top()}},
                                                            {"bottom", {mid.x(), r.bottom()}},
                                                            {"left", {r.left(), mid.y()}},
                                                            {"right", {r.right(), mid.y()}}};
            for (const auto& [edge, from] : edges) {
                const QPoint step = from.x() == mid.x() ? QPoint(0, 1) : QPoint(1, 0);
                int darkest = 255;
                for (int i = -2; i <= 2; ++i)
                    if (const QPoint p = from + step * i; browser.rect().contains(p))
                        darkest = std::min(darkest, maxChannel(browser.pixel(p)));
                QVERIFY2(
                    darkest < 225,
                    qPrintable(QString("%1 of %2 at %3").arg(edge, name, kolvar::rectText(r))));
            }
        }
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
            if (v->form()->border == kt::Border::Sizable) continue;
            QVERIFY2(!(v->windowFlags() & Qt::WindowMaximizeButtonHint), name);
            v->showMaximized();
            QTRY_COMPARE(v->windowState(), Qt::WindowNoState);
            QCOMPARE(v->size(), want);
        }
        QPointer<ktqt::FormView> help = viewOf(g, "Dialog");
        QTest::mouseClick(button(help, "OK"), Qt::LeftButton);
        QVERIFY(!help || !help->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!help);
    }

    void theBattlefieldAfterSetUp() {
        kolvar::Battle g;
        kolvar::Form1& f = g.battle();
        ktqt::FormView* field = viewOf(g, "Form1");
        QImage shot = deviceShot(field);
        // The force field: green across the whole width on row 320 (y 4800).
        for (int x = 0; x < 792; x += 7)
            QCOMPARE(QColor(shot.pixel(device(QRect(x, 320, 1, 1)).topLeft())), QColor(0, 255, 0));
        // Something is drawn where every enemy stands.
        for (int i = 0; i <= 50; ++i) {
            const QRect r(int(f.ene[i].Left / 15), int(f.ene[i].Top / 15), 34, 30);
            QVERIFY2(inked(shot, r) > 60 * scale * scale, qPrintable(QString("enemy %1").arg(i)));
        }
        // The hidden panels and the sprite store show nothing: training panel (56..521, 16..129)
        // right of the buildings, construction panel (136..433, 184..257) and the store.
        QCOMPARE(inked(shot, QRect(220, 40, 280, 80)), 0);
        QCOMPARE(inked(shot, QRect(136, 184, 297, 12)), 0);
        QCOMPARE(inked(shot, QRect(256, 560, 400, 80)), 0);
        // The cheat box is a real text box over the right end of the notice line.
        auto boxes = field->findChildren<QLineEdit*>();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->geometry(), QRect(752, 8, 33, 13));

        // Tovo, the commander, shows his front where he stands, nearest-neighbour at any scale:
        // no device pixel of a blended, blurred colour.
        const QImage art = QImage(":/assets/front_10.gif").convertToFormat(QImage::Format_ARGB32);
        std::set<QRgb> palette{qRgb(255, 255, 255)}; // the battlefield shows through
        for (int y = 0; y < art.height(); ++y)
            for (int x = 0; x < art.width(); ++x)
                if (qAlpha(art.pixel(x, y)) == 255) palette.insert(art.pixel(x, y) | 0xff000000);
        QVERIFY(palette.size() > 5);
        const QRect sprite = device(QRect(pxRect(f.ima[0], true).topLeft(), art.size()));
        for (int y = sprite.top(); y <= sprite.bottom(); ++y)
            for (int x = sprite.left(); x <= sprite.right(); ++x)
                QVERIFY2(palette.count(shot.pixel(x, y) | 0xff000000),
                         qPrintable(QString("device pixel %1,%2 is no art colour").arg(x).arg(y)));
        const bool whole = scale == std::floor(scale);
        if (whole) {
            // At a whole scale each art pixel is an s x s block of exactly its colour.
            QImage blocks(art.size(), QImage::Format_RGB32);
            blocks.fill(Qt::white);
            QPainter(&blocks).drawImage(0, 0, art);
            QCOMPARE(shot.copy(sprite),
                     blocks.scaled(art.size() * int(scale), Qt::IgnoreAspectRatio,
                                   Qt::FastTransformation));
        }

        // The training buttons show their art enlarged by whole pixels too: centred on each,
        // and cut by the button's edge, every opaque art pixel as an s x s block of its colour.
        g.run("click Form1 Image2");
        for (int k = 0; whole && k <= 6; ++k) {
            const QImage face = deviceShot(kolvar::nativeOf(field, f.Command1[k]));
            const QImage pic = QImage(QString(":/assets/command1_%1.gif").arg(k))
                                   .convertToFormat(QImage::Format_ARGB32);
            const int s = int(scale);
            const QRect inner = face.rect().adjusted(2 * s, 2 * s, -2 * s, -2 * s);
            const auto artAt = [&](QPoint d) {
                for (int y = 0; y < pic.height() * s; ++y)
                    for (int x = 0; x < pic.width() * s; ++x)
                        if (const QRgb c = pic.pixel(x / s, y / s);
                            qAlpha(c) == 255 && inner.contains(d + QPoint(x, y)) &&
                            (face.pixel(d + QPoint(x, y)) | 0xff000000) != c)
                            return false;
                return true;
            };
            const QPoint centred =
                (QPoint(face.width(), face.height()) - QPoint(pic.width(), pic.height()) * s) / 2;
            bool found = false;
            for (int dy = -s; dy <= s; ++dy)
                for (int dx = -s; dx <= s; ++dx) found = found || artAt(centred + QPoint(dx, dy));
            QVERIFY2(found, qPrintable(QString("training button %1").arg(k)));
        }

        g.wait(200); // the first movement ticks write the money
        QVERIFY(QString::fromStdString(f.Label1.Caption).endsWith("000 euri"));
        shot = deviceShot(field);
        // Inside the money label's border: its text, black on yellow.
        const QRect text = device(pxRect(f.Label1, true).adjusted(2, 2, -2, -2));
        const int black = count(shot, text, [](QRgb c) { return maxChannel(c) <= 40; });
        const int yellow =
            count(shot, text, [](QRgb c) { return (c | 0xff000000) == qRgb(255, 255, 128); });
        QVERIFY2(yellow > text.width() * text.height() / 2, "the label's background");
        // Crisp strokes reach full black; blurred ones stay grey.
        QVERIFY2(black >= 20 * scale * scale, qPrintable(QString("%1 black pixels").arg(black)));
        if (!whole || scale == 1) return;
        // Glyphs drawn at device resolution have edges finer than a logical pixel: some aligned
        // s x s blocks are not uniform, as they would all be in an enlarged 1x text.
        const int s = int(scale);
        int blocky = 0, blocks = 0;
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

    // A press reaches a native widget exactly where the model routes it, the pixels whose
    // top-left corner lies inside the widget: also in the construction panel, which stands at a
    // fraction of a pixel at its builder's feet.
    void aNativeWidgetTakesThePressesTheModelRoutesThere() {
        kolvar::Battle g;
        kolvar::Form1& f = g.battle();
        kolvar::trainBuilder(g);
        kolvar::put(f, 1, 2947, 2993); // 196.47, 199.53 pixels
        g.run("click Form1 ima(1)\nclick Form1 Image2");
        QVERIFY(f.build.Visible && f.Frame1.Visible);
        ktqt::FormView* field = viewOf(g, "Form1");
        const kt::Widget* const natives[] = {&f.command2, &f.evo, &f.Command1[3], &f.cheater};
        for (const kt::Widget* w : natives) {
            QWidget* q = kolvar::nativeOf(field, *w);
            QVERIFY(q);
            const QRect r(q->mapTo(field, QPoint(0, 0)), q->size());
            for (const QPoint p :
                 {r.topLeft(), r.topLeft() - QPoint(1, 0), r.topLeft() - QPoint(0, 1),
                  r.bottomRight(), r.bottomRight() + QPoint(1, 0),
                  r.bottomRight() + QPoint(0, 1)}) {
                QWidget* at = field->childAt(p);
                const kt::Widget* routed = g.app.hit(f, float(p.x() * kt::twipsPerPixel),
                                                     float(p.y() * kt::twipsPerPixel));
                QVERIFY2(
                    (at == q || q->isAncestorOf(at)) == (routed == w),
                    qPrintable(QString("%1 at %2,%3").arg(w->key().c_str()).arg(p.x()).arg(p.y())));
            }
        }
    }

    // A key goes to the window the desktop gives it to, which Qt may not have made active yet:
    // Enter typed on Wayland as the help came up reached it first, and was lost.
    void aKeyForAWindowNotYetActiveIsItsKey() {
        Game g;
        g.run("click frmSplash Command4");
        ktqt::FormView *menu = viewOf(g, "frmSplash"), *help = viewOf(g, "Dialog");
        menu->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), menu);
        QTest::keyClick(help->windowHandle(), Qt::Key_Return);
        QVERIFY(!g.exists("Dialog"));
    }

    void aTickRepaintsOnlyWhatChanged() {
        kolvar::Battle g;
        ktqt::FormView& view = *viewOf(g, "Form1");
        // Label1 at 240, 0, 1815 x 255 twips; a pixel of slack for rounding at its edges.
        const QRect money = QRect(16, 0, 121, 17).adjusted(-1, -1, 1, 1);
        g.wait(300); // everyone stands still: only the income moves
        for (int tick = 0; tick < 8; ++tick) {
            // Then the cheat stops the movement tick, so the money stands still too; before the
            // force field falls the enemy's tick only counts.
            if (tick == 3) g.run("type Form1 cheater pelmantra gox"), g.wait(300);
            const bool still = tick >= 3;
            kolvar::settle();
            const QString caption = kolvar::fields(g, "Label1.Caption");
            PaintLog log(&view);
            g.wait(100);
            QCOMPARE(kolvar::fields(g, "Label1.Caption") == caption, still);
            QCOMPARE(view.lastDirty().isEmpty(), still);
            QVERIFY2(view.lastDirty().subtracted(money).isEmpty(),
                     "the sync marked more than the money label");
            kolvar::settle();
            QCOMPARE(log.painted.isEmpty(), still);
            const QRect out = log.painted.subtracted(money).boundingRect();
            QVERIFY2(out.isEmpty(), qPrintable("painted within " + kolvar::rectText(out)));
        }
    }

    // The box shows what the model makes of the typing, and what the model writes by itself.
    void aTextBoxShowsWhatTheModelMakesOfIt() {
        struct Boxed : kt::Form {
            using Form::Form;
            const char* className() const override { return "Boxed"; }
            kt::TextBox box;
        };
        kt::Program app;
        ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
        Boxed* form = nullptr;
        app.dispatch([&] {
            form = &app.get<Boxed>();
            form->ScaleWidth = 200 * kt::twipsPerPixel, form->ScaleHeight = 50 * kt::twipsPerPixel;
            form->add(form->box, "box");
            kt::place(form->box, 0, 0, 1500, 300);
            // A box that refuses the letter x: typing it takes the text back to what it was.
            form->box.Change = [form] {
                const std::string t = form->box.text();
                if (t.find('x') != std::string::npos) form->box.setText(t.substr(0, t.find('x')));
            };
            form->show();
        });
        auto* edit = frontend.view(*form)->findChildren<QLineEdit*>().at(0);
        QTest::keyClicks(edit, "ab");
        QCOMPARE(edit->text(), QString("ab"));
        QTest::keyClicks(edit, "x");
        QCOMPARE(form->box.text(), std::string("ab"));
        QCOMPARE(edit->text(), QString("ab"));
        app.dispatch([&] { form->box.setText("cd"); });
        QCOMPARE(edit->text(), QString("cd"));
        QTest::keyClicks(edit, "e");
        QCOMPARE(form->box.text(), std::string("cde"));
    }

    void theDefeatBoxIsModalTitledKolvarAndStopsTheClock() {
        // The real-time program: real time drives the clock and message boxes are modal.
        kt::Program app{kolvar::identity()};
        ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
        kolvar::startProgram(app);
        app.click(*app.formByName("frmSplash")->find("Command1"));
        auto* field = app.loaded<kolvar::Form1>();
        QVERIFY(field);
        kolvar::BattleProbe{*field}.uni()[0].alive = 0; // the next movement tick notices it
        QString title, text, parent; // the box's, its owner's name, read while it is open
        int64_t clockAtOpen = -1, clockAtClose = -1;
        std::function<void()> poll = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                QTimer::singleShot(10, poll);
                return;
            }
            title = box->windowTitle();
            text = box->text();
            parent = box->parentWidget() ? box->parentWidget()->objectName() : QString();
            clockAtOpen = app.clock.now();
            QTimer::singleShot(600, box, [&, box] {
                clockAtClose = app.clock.now();
                box->accept();
            });
        };
        QTimer::singleShot(0, poll);
        QTRY_VERIFY_WITH_TIMEOUT(app.loaded<kolvar::frmSplash>() != nullptr, 5000);
        QCOMPARE(title, QString("Kolvar"));
        QCOMPARE(text, QString(" Missione Fallita Game Over"));
        QCOMPARE(parent, QString("Form1"));
        QCOMPARE(clockAtClose, clockAtOpen); // no tick under the box
    }

    // A caption that fits on one line is drawn without Qt's text layout, from glyphs looked up
    // once: it must give exactly the pixels the layout would, at any alignment, font and scale.
    // Captions that wrap, or hold other characters, go through the layout as before. A border is
    // the ring of logical pixels just inside the label, on a doubled screen too.
    // The caption, its points, bold or not, its alignment, the label's size, its border and
    // the device pixels to a pixel.
    void aCaptionIsDrawnAsQtLaysItOut_data() {
        kolvar::table({
            {"money", "' 2001000 euri' 8.25 0 left 121x17 1 1"},
            {"money, HiDPI", "'-50000 euri' 8.25 0 left 121x17 1 2"},
            {"news", "' lo scudo ha ceduto' 8.25 0 left 281x17 0 1"},
            {"a count, centred", "17 8.25 0 centre 31x17 0 1"},
            {"centred, odd room, HiDPI", "'ALL ATTACCO' 8.25 0 centre 90x17 0 2"},
            {"centred, bold, ratio 3", "'ALL ATTACCO' 12 1 centre 107x21 1 3"},
            {"right, bold", "' for pc' 15.75 1 right 65x24 0 1"},
            {"right, trailing blanks", "'2.4  ' 12 1 right 40x19 0 3"},
            {"large, cut below", "Velkarion 32.25 1 left 312x30 0 1"},
            {"wraps: laid out", "'Drellmark Velkarion Ondrasti' 18 1 left 120x60 0 1"},
            {"accented: laid out", "'citt\u00e0 perduta' 8.25 0 centre 100x17 1 2"},
        });
    }
    void aCaptionIsDrawnAsQtLaysItOut() {
        const QStringList w = kolvar::row();
        const QString caption = w[0];
        const int border = w[5].toInt(), ratio = w[6].toInt();
        const QRect r(16, 3, w[4].section('x', 0, 0).toInt(), w[4].section('x', 1).toInt());
        kt::Label lb;
        lb.Caption = caption.toStdString();
        lb.font = {"Arial", w[1].toFloat(), w[2] == "1"};
        lb.Alignment = w[3] == "left"    ? kt::Align::Left
                       : w[3] == "right" ? kt::Align::Right
                                         : kt::Align::Center;
        lb.BorderStyle = border;
        lb.BackColor = {255, 255, 128};
        auto canvas = [&] {
            QImage img(QSize(200, 100) * ratio + QSize(300, 0), QImage::Format_RGB32);
            img.setDevicePixelRatio(ratio);
            img.fill(Qt::white);
            return img;
        };
        ktqt::Fonts fonts;
        QImage drawn = canvas();
        {
            QPainter p(&drawn);
            fonts.drawLabel(p, lb, r);
        }
        // What Qt's text layout draws for the label.
        QImage laidOut = canvas();
        {
            QPainter p(&laidOut);
            p.fillRect(r, ktqt::qc(lb.BackColor));
            QRect text = r;
            if (border) {
                // The border is the ring of logical pixels just inside the rectangle.
                for (const QRect& ring : QRegion(r).subtracted(r.adjusted(1, 1, -1, -1)))
                    p.fillRect(ring, Qt::black);
                text = r.adjusted(2, 1, -2, -1);
            }
            p.setFont(fonts.font(lb.font));
            p.setPen(Qt::black);
            p.setClipRect(r);
            p.drawText(text, Qt::AlignTop | Qt::TextWordWrap | qtAlign(lb.Alignment), caption);
        }
        QVERIFY(drawn != canvas()); // something was drawn at all
        QCOMPARE(drawn, laidOut);
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
    ViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_view.moc"
