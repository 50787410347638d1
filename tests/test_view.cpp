// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real Qt windows on the offscreen platform: what a player sees and what a click does.

#include "harness.h"
#include "shell/identity.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/geometry.h"
#include "toolkit/qt/text.h"
#include "toolkit/qt/view.h"

#include "shell/frmsplash.h"
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

using kolvar::Game;

namespace {

// Pixels in `r` that differ clearly from `background`.
int inked(const QImage& img, const QRect& r, QColor b) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const int d = std::abs(c.red() - b.red()) + std::abs(c.green() - b.green());
            n += d + std::abs(c.blue() - b.blue()) > 90;
        }
    return n;
}

QPushButton* button(QWidget* w, const QString& text) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

} // namespace

class ViewTest : public QObject {
    Q_OBJECT
private slots:
    void theStartMenuShowsItsTitleAndGiocaStartsABattle() {
        Game g;
        ktqt::FormView* menu = viewOf(g, "frmSplash");
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menu->size(), QSize(491, 284)); // 7365 x 4260 twips
        QVERIFY(menu->windowFlags() & Qt::FramelessWindowHint);
        QPushButton* gioca = button(menu, "gioca");
        QVERIFY(gioca);
        QVERIFY(gioca->hasFocus() || QApplication::focusWidget() == nullptr);
        QTest::mouseClick(gioca, Qt::LeftButton);
        QVERIFY(!g.exists("frmSplash"));
        ktqt::FormView* field = viewOf(g, "Form1");
        QVERIFY(field && field->isVisible());
        QCOMPARE(field->size(), QSize(794, 642));
        QCOMPARE(field->windowTitle(), QString("Gioco fatto da Ondrasti"));
    }

    void theBattlefieldAfterSetUp() {
        kolvar::Battle g;
        const QImage shot = viewOf(g, "Form1")->grab().toImage();
        QCOMPARE(shot.size(), QSize(794, 642));
        // The force field: green across the whole width on row 320 (y 4800).
        for (int x = 0; x < 792; x += 7) QCOMPARE(shot.pixelColor(x, 320), QColor(0, 255, 0));
        // Something is drawn where every enemy stands.
        const kolvar::Form1& f = *g.app.loaded<kolvar::Form1>();
        for (int i = 0; i <= 50; ++i) {
            const QRect r(int(f.ene[i].Left / 15), int(f.ene[i].Top / 15), 34, 30);
            QVERIFY2(inked(shot, r, Qt::white) > 60, qPrintable(QString("enemy %1").arg(i)));
        }
        // The commander at (64, 200) px, and nothing to its left.
        QVERIFY(inked(shot, QRect(64, 200, 27, 27), Qt::white) > 150);
        QCOMPARE(inked(shot, QRect(40, 200, 22, 27), Qt::white), 0);
        // The hidden panels and the sprite store show nothing: training panel (56..521, 16..129)
        // right of the buildings, construction panel (136..433, 184..257) and the store.
        QCOMPARE(inked(shot, QRect(220, 40, 280, 80), Qt::white), 0);
        QCOMPARE(inked(shot, QRect(136, 184, 297, 12), Qt::white), 0);
        QCOMPARE(inked(shot, QRect(256, 560, 400, 80), Qt::white), 0);
        for (auto* w : viewOf(g, "Form1")->findChildren<QPushButton*>())
            QVERIFY(!w->isVisibleTo(viewOf(g, "Form1")));
        // The cheat box is a real text box over the right end of the notice line.
        auto boxes = viewOf(g, "Form1")->findChildren<QLineEdit*>();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->geometry(), QRect(752, 8, 33, 13));
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

    void aPressOnTheCanvasIsRoutedThroughTheModel() {
        kolvar::Battle g;
        ktqt::FormView* field = viewOf(g, "Form1");
        // Left press on open ground: the commander's destination is the pressed point, in twips.
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(300, 150));
        CHECK_FIELDS(g, "uni[0].dest", "4500,2250");
        // The training panel opens with a click on the building, and its buttons are real.
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(50, 40));
        CHECK_FIELDS(g, "Frame1.Visible", "true");
        QPushButton* evo = button(field, "Evolvi edificio");
        QVERIFY(evo && evo->isVisible());
        // A mouse press on a training button queues; Shift queues five.
        QList<QPushButton*> training;
        for (auto* b : field->findChildren<QPushButton*>())
            if (b->text().isEmpty() && b->isVisible()) training << b;
        QCOMPARE(training.size(), 7);
        QTest::mousePress(training[2], Qt::LeftButton, Qt::ShiftModifier);
        QTest::mouseRelease(training[2], Qt::LeftButton, Qt::ShiftModifier);
        CHECK_FIELDS(g, "queue", "[0,0,5,0,0,0,0,0,0,0,0]");
        // The keyboard on a training button queues nothing.
        training[0]->setFocus();
        QTest::keyClick(training[0], Qt::Key_Space);
        CHECK_FIELDS(g, "queue", "[0,0,5,0,0,0,0,0,0,0,0]");
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
        QVERIFY(!app.loaded<kolvar::Form1>());
        QCOMPARE(app.messageLog, std::vector<std::string>{" Missione Fallita Game Over"});
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
            const int h = lb.Alignment == kt::Align::Right    ? Qt::AlignRight
                          : lb.Alignment == kt::Align::Center ? Qt::AlignHCenter
                                                              : Qt::AlignLeft;
            p.setClipRect(r);
            p.drawText(text, Qt::AlignTop | Qt::TextWordWrap | h, caption);
        }
        QVERIFY(drawn != canvas()); // something was drawn at all
        QCOMPARE(drawn, laidOut);
    }

    // Qt's own title bars offer maximise whatever the flags say; maximise once moved the fixed
    // battlefield to the corner of the screen.
    void aFixedWindowStaysItsSizeWhenMaximisedAndRetiresWithItsForm() {
        Game g;
        g.run("click frmSplash Command4\nclick frmSplash Command1");
        for (const char* name : {"Form1", "Dialog"}) {
            ktqt::FormView* v = viewOf(g, name);
            QVERIFY(v && v->isVisible());
            QVERIFY2(!(v->windowFlags() & (Qt::WindowMaximizeButtonHint)), name);
            const QSize size = v->size();
            v->showMaximized();
            QTRY_COMPARE(v->windowState(), Qt::WindowNoState);
            QCOMPARE(v->size(), size);
        }
        // The view follows the model and retires with its form.
        QPointer<ktqt::FormView> help = viewOf(g, "Dialog");
        QCOMPARE(help->windowTitle(), QString("Dialog Caption"));
        QTest::mouseClick(button(help, "OK"), Qt::LeftButton);
        QVERIFY(!g.exists("Dialog"));
        QVERIFY(!help || !help->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!help);
    }
};

QTEST_MAIN(ViewTest)
#include "test_view.moc"
