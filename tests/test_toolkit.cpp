// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The window toolkit's semantics, on small forms made for the test.

#include "harness.h"
#include "toolkit/numbers.h"

#include <QTest>

using namespace kt;
using namespace std::string_literals;

namespace {

// A form that counts its loads and can unload itself from a handler.
struct Probe : Form {
    explicit Probe(Program& a)
        : Form(a) {
        ScaleWidth = 6000, ScaleHeight = 4000;
        add(picture1, "picture1");
        picture1.Left = 1000, picture1.Top = 900, picture1.Width = 1500, picture1.Height = 1500;
        picture1.MouseDown = [this](int, int b, int, float x, float y) { downs << down(b, x, y); };
        picture1.Click = [this](int) { ++clicks; };
        add(line1, "line1");
        line1.X1 = 0, line1.Y1 = 1500, line1.X2 = 6000, line1.Y2 = 1500;
        add(frame1, "frame1");
        frame1.Left = 3000, frame1.Top = 2000, frame1.Width = 2000, frame1.Height = 1500;
        frame1.Click = [this](int) { ++frameClicks; };
        add(inner, "inner", &frame1);
        inner.Left = 100, inner.Top = 100, inner.Width = 500, inner.Height = 300;
        inner.Click = [this](int) { ++innerClicks; };
        add(box, "box");
        box.Left = 0, box.Top = 3500, box.Width = 1000, box.Height = 300;
        box.Change = [this] { changes.push_back(box.text()); };
        design = &cells.design(0);
        design->setPicture(Picture(QImage(4, 2, QImage::Format_ARGB32), "cell"));
        design->Left = 15, design->Top = 30;
        add(t1, "t1");
        add(t2, "t2");
    }
    const char* className() const override { return "Probe"; }
    void Form_Load() override { ++loads; }
    void Form_MouseDown(int b, int, float x, float y) override { groundDowns << down(b, x, y); }
    static QString down(int b, float x, float y) { return QString::asprintf("%d %g,%g", b, x, y); }
    Image picture1;
    Line line1;
    Frame frame1;
    CommandButton inner;
    TextBox box;
    WidgetArray<Image> cells{*this, "cells"};
    Image* design = nullptr;
    Timer t1, t2;
    int loads = 0, clicks = 0, frameClicks = 0, innerClicks = 0;
    QStringList downs, groundDowns;
    std::vector<std::string> changes;
    int member = 0;
};

struct Other : Form {
    explicit Other(Program& a)
        : Form(a) {}
    const char* className() const override { return "Other"; }
};

} // namespace

class ToolkitTest : public QObject {
    Q_OBJECT
private slots:
    void aFormLoadsOnceAndAHandlerMayUnloadIt() {
        Program app;
        QVERIFY(!app.loaded<Probe>());
        Probe& p = app.get<Probe>();
        // Loaded once, and an access does not show it.
        QVERIFY(&app.get<Probe>() == &p && p.loads == 1 && !p.visible());
        p.member = 7;
        p.unload();
        QVERIFY(!app.loaded<Probe>());
        Probe& again = app.get<Probe>();
        // A new form starts from zero values.
        QVERIFY(again.loads == 1 && again.member == 0 && again.serial() != 0);
        // A handler that unloads its own form gets a fresh one on the next access.
        again.show();
        int seen = 0;
        const uint64_t first = again.serial();
        again.picture1.Click = [&again, &app, &seen](int) {
            again.unload();
            again.member = 3; // still safe: destruction waits for the end of the dispatch
            Probe& fresh = app.get<Probe>();
            seen = fresh.loads;
            fresh.show();
            app.get<Other>().unload(); // unloading another form mid-dispatch is safe too
        };
        app.press(again, 1200, 1200);
        QCOMPARE(seen, 1);
        Probe* now = app.loaded<Probe>();
        QVERIFY(now && now->serial() != first && now->visible() && !app.loaded<Other>());
    }

    void arrayElementsAreHiddenCopiesOfElementZero() {
        Program app;
        Probe& p = app.get<Probe>();
        Image& e3 = p.cells.load(3);
        // Index, shown, element 0 shown, place, size (4 x 2 px at 15 twips a pixel), element 2.
        QCOMPARE(QString::asprintf("%d %d %d %g,%g %gx%g %d", e3.index, e3.Visible,
                                   p.design->Visible, e3.Left, e3.Top, e3.Width, e3.Height,
                                   p.cells.exists(2)),
                 "3 0 1 15,30 60x30 0");
        QVERIFY(e3.picture == p.design->picture && p.find("cells(3)") == &e3);
        // A picture sizes its image; a width set afterwards does not scale the picture.
        e3.Width = 450;
        QCOMPARE(e3.picture.width(), 4);
    }

    // A press with a button and Shift, and who takes it; a hidden widget takes nothing.
    void pressesAreRoutedToTheTopmostWidgetThatTakesTheMouse_data() {
        kolvar::table({{"line over the image: the image", "1200 1500 1 picture"},
                       {"right button on the image: no click", "1200 1200 2 picture"},
                       {"a hidden image: the form", "1200 1200 1 form hidden"},
                       {"line over the ground: the form", "200 1500 1 form"},
                       {"button inside the frame", "3200 2200 1 inner"},
                       {"open ground", "5500 500 1 form"}});
    }
    void pressesAreRoutedToTheTopmostWidgetThatTakesTheMouse() {
        const auto [x, y, button] = kolvar::ints<3>();
        const QString expect = kolvar::row()[3];
        Program app;
        Probe& p = app.get<Probe>();
        p.show();
        p.picture1.Visible = kolvar::row().value(4) != "hidden";
        app.press(p, x, y, button, ShiftMask);
        const QString got = !p.downs.empty() || p.clicks ? "picture"
                            : p.frameClicks              ? "frame"
                            : p.innerClicks              ? "inner"
                            : !p.groundDowns.empty()     ? "form"
                                                         : "nothing";
        QCOMPARE(got, expect);
        if (expect == "picture") // once, in widget-relative twips; the left button clicks too
            QCOMPARE(p.downs.join('|') + QString(" %1").arg(p.clicks),
                     Probe::down(button, x - 1000, y - 900) +
                         QString(" %1").arg(button == LeftButton));
        if (expect == "form") QCOMPARE(p.groundDowns.join('|'), Probe::down(button, x, y));
    }

    // A hidden window takes no input, whatever a script names: a choice in the hidden browser once
    // set up a battle that closed the start menu and left no window shown.
    void aHiddenFormTakesNoInput() {
        Program app;
        Probe& p = app.get<Probe>(); // loaded, never shown
        app.press(p, 1200, 1200);
        app.click(p.picture1);
        app.mouseDownOn(p.picture1, 1, 0, 10, 10);
        app.setText(p.box, "typed");
        app.focusOn(p.box);
        QVERIFY(!p.focus);
        p.focus = &p.box;
        app.keyPress(p, 'a');
        app.closeBox(p);
        QVERIFY(p.downs.isEmpty() && p.clicks == 0 && p.changes.empty());
        QCOMPARE(app.loaded<Probe>(), &p);
        p.show();
        app.click(p.picture1);
        app.setText(p.box, "typed");
        QVERIFY(p.clicks == 1 && p.changes.size() == 1);
    }

    void aTextBoxReportsEveryChange() {
        Program app;
        Probe& p = app.get<Probe>();
        p.show();
        app.press(p, 100, 3600); // focus the box
        for (char ch : std::string("ab c")) app.keyPress(p, ch);
        app.keyPress(p, 8); // backspace
        const std::vector<std::string> want{"a", "ab", "ab ", "ab c", "ab "};
        QCOMPARE(p.changes, want);
        app.setText(p.box, "ab "); // no change, no event
        QCOMPARE(p.changes.size(), want.size());
    }

    void timersTickInOrderNeverAtZeroAndKeepTheirPhase() {
        Program app;
        Probe& p = app.get<Probe>();
        std::string order;
        p.t1.Tick = [&] { order += '1'; };
        p.t2.Tick = [&] { order += '2'; };
        const auto during = [&](int ms, bool late = false) {
            return order.clear(), app.advance(ms, late), order;
        };
        p.t1.setInterval(100);
        p.t2.setInterval(50);
        QCOMPARE(during(49), ""s);
        QCOMPARE(during(251), "212212212"s); // t = 300
        p.t1.setInterval(0);
        QCOMPARE(during(1000), std::string(20, '2'));
        p.t2.setEnabled(false);
        QCOMPARE(during(1000), ""s);
        p.t2.setEnabled(true); // counts a full interval from now
        QCOMPARE(during(49), ""s);
        QCOMPARE(during(1), "2"s);
        // A late driver fires once, without a burst, and keeps the phase.
        p.t2.setEnabled(false);
        p.t1.setInterval(100);
        QCOMPARE(during(1050, /*coalesce=*/true), "1"s);
        QCOMPARE(during(50, true), "1"s); // 1100 after it was set: back in phase
    }

    void endDestroysEveryFormWithoutHandlers() {
        Program app;
        app.get<Probe>().show();
        app.get<Other>();
        struct Ends : Host {
            int told = 0;
            void ended() override { ++told; }
        } host;
        app.setHost(&host);
        app.dispatch([&] { app.end(); });
        app.dispatch([] {});
        QCOMPARE(host.told, 1); // once, when the dispatch that ended it returned
        QVERIFY(app.forms().empty());
        QVERIFY(app.ended());
    }

    void zorderBringsAWidgetToTheFrontOfItsLayer() {
        Program app;
        Probe& p = app.get<Probe>();
        QCOMPARE(p.graphic.back(), p.design);
        auto front = p.graphic; // the others keep their order behind it
        front.erase(std::find(front.begin(), front.end(), &p.picture1));
        front.push_back(&p.picture1);
        p.zorder(p.picture1);
        QVERIFY(p.graphic == front);
        QCOMPARE(p.windowed.front(), &p.frame1); // windowed widgets keep their own layer
    }

    void numbersRoundTiesToEvenSaturateAndReadBack() {
        // cint / floor8 of each value.
        QString got;
        for (double v : {100.5, 101.5, -0.5, -1.5, 2.4999, 40000.0, -40000.0, 255.9})
            got += QString(" %1/%2").arg(kt::cint(v)).arg(kt::floor8(v));
        QCOMPARE(got, " 100/100 102/101 0/0 -2/0 2/2 32767/255 -32768/0 256/255");
        using L = std::numeric_limits<long>;
        QCOMPARE(kt::str(2001) + "|" + kt::str(0) + "|" + kt::str(-50) + "|" + kt::plain(50),
                 std::string(" 2001| 0|-50|50"));
        // Past the bounds of long: saturated, not cut short at some digit.
        QCOMPARE((std::vector<long>{
                     kt::val(" 12"), kt::val("0"), kt::val("-7x"), kt::val("9223372036854775807"),
                     kt::val(" 99999999999999999999 euri"), kt::val("-9223372036854775808"),
                     kt::val("-123456789012345678901234")}),
                 (std::vector<long>{12, 0, -7, L::max(), L::max(), L::min(), L::min()}));
        QCOMPARE((std::vector<int>{kt::add8(250, 10), kt::add8(3, -10), kt::add16(32760, 10),
                                   kt::add16(-32760, -100), kt::floor16(-0.5)}),
                 (std::vector<int>{255, 0, 32767, -32768, -1}));
    }
};

QTEST_MAIN(ToolkitTest)
#include "test_toolkit.moc"
