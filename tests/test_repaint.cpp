// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Repaint economy of the battlefield window: after a tick, only what changed on screen is painted.
// The regions come from the view's own record of its last sync and from the paint events the
// window really receives.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QPaintEvent>
#include <QTest>
#include <map>

using kolvar::Game;

namespace {

/// Records the region of every paint event a window receives.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;
    int events = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(e)->region();
            ++events;
        }
        return false;
    }
};

using kolvar::settle;

ktqt::FormView& battlefield(Game& g) {
    g.battle();
    ktqt::FormView* v = g.frontend->view(*g.app.formByName("Form1"));
    if (!v) qFatal("the battlefield has no window");
    return *v;
}

} // namespace

class RepaintTest : public QObject {
    Q_OBJECT
private slots:
    void aTickThatChangesNothingVisiblePaintsNothing() {
        Game g;
        ktqt::FormView& view = battlefield(g);
        // The cheat stops the movement tick, so the money stands still; before the force field
        // falls the enemy's tick only counts.
        g.run("type Form1 cheater pelmantra gox");
        g.wait(300);
        settle();
        PaintLog log(&view);
        const int before = view.paintCount();
        for (int tick = 0; tick < 5; ++tick) {
            g.wait(100);
            QVERIFY2(view.lastDirty().isEmpty(), "the sync found nothing to repaint");
            settle();
        }
        QCOMPARE(int(g.state()["clock"].toInt()), 8);
        QCOMPARE(view.paintCount(), before);
        QCOMPARE(log.events, 0);
    }

    void aTickThatChangesOnlyTheMoneyPaintsOnlyTheMoneyLabel() {
        Game g;
        ktqt::FormView& view = battlefield(g);
        g.wait(300); // everyone stands still: only the income moves
        settle();
        // Label1 at 240, 0, 1815 x 255 twips; a pixel of slack for rounding at its edges.
        const QRect money = QRect(16, 0, 121, 17).adjusted(-1, -1, 1, 1);
        for (int tick = 0; tick < 3; ++tick) {
            const QString caption = g.widget("Form1", "Label1")["Caption"].toString();
            PaintLog log(&view);
            const int before = view.paintCount();
            g.wait(100);
            QVERIFY(g.widget("Form1", "Label1")["Caption"].toString() != caption);
            QVERIFY(!view.lastDirty().isEmpty());
            QVERIFY2(view.lastDirty().subtracted(money).isEmpty(),
                     "the sync marked more than the money label");
            settle();
            QVERIFY(view.paintCount() > before);
            QVERIFY(log.events > 0);
            QVERIFY2(log.painted.subtracted(money).isEmpty(),
                     qPrintable(QStringLiteral("painted %1 rects within %2,%3 %4x%5")
                                    .arg(log.painted.rectCount())
                                    .arg(log.painted.boundingRect().x())
                                    .arg(log.painted.boundingRect().y())
                                    .arg(log.painted.boundingRect().width())
                                    .arg(log.painted.boundingRect().height())));
        }
    }

    // A repaint of only what the sync marked, over the frame before it, must give the frame a
    // whole repaint would: nothing missed, and nothing hidden under an opaque label shows
    // through when the repaint starts from that label.
    void aRepaintOfWhatChangedGivesTheWholeFrame_data() {
        QTest::addColumn<QString>("steps"); // one step per sync, '|' between them
        QTest::addColumn<int>("ratio");
        const QString train = "click Form1 Image2|down Form1 Command1(0) 1 0 100 100";
        QTest::newRow("the money") << "wait 100|wait 100|wait 100" << 1;
        QTest::newRow("the money, HiDPI") << "wait 100|wait 100" << 2;
        QTest::newRow("the training panel opens") << "wait 100|click Form1 Image2|wait 100" << 1;
        QTest::newRow("a unit is trained and walks")
            << train + "|wait 50|wait 50|wait 50|wait 50|wait 50|wait 50|wait 100|wait 100" << 1;
        QTest::newRow("a unit is trained and walks, HiDPI")
            << train + "|wait 50|wait 50|wait 50|wait 50|wait 100|wait 100" << 2;
    }
    void aRepaintOfWhatChangedGivesTheWholeFrame() {
        QFETCH(QString, steps);
        QFETCH(int, ratio);
        Game g;
        ktqt::FormView& view = battlefield(g);
        g.wait(100);
        auto whole = [&] {
            QImage img(view.size() * ratio, QImage::Format_RGB32);
            img.setDevicePixelRatio(ratio);
            img.fill(Qt::black);
            view.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
            return img;
        };
        QImage shown = whole();
        int partial = 0;
        // Where a native child (the training panel) shows or hides, Qt repaints by itself.
        auto natives = [&] {
            std::map<QWidget*, QRect> shownAt;
            for (QWidget* w : view.findChildren<QWidget*>())
                if (w->isVisible()) shownAt[w] = QRect(w->mapTo(&view, QPoint()), w->size());
            return shownAt;
        };
        for (const QString& step : steps.split('|')) {
            const auto before = natives();
            g.run(step.toStdString());
            const auto after = natives();
            QRegion dirty = view.lastDirty();
            for (const auto* one : {&before, &after})
                for (const auto& [w, r] : *one)
                    if (!before.count(w) || !after.count(w)) dirty += r;
            if (!dirty.isEmpty()) {
                view.render(&shown, dirty.boundingRect().topLeft(), dirty, QWidget::DrawChildren);
                ++partial;
            }
            QVERIFY2(shown == whole(), qPrintable("after " + step));
        }
        QVERIFY(partial > 0);
    }

    // What the window holds after the repaints of a walk equals a full paint at every step. A
    // freshly trained soldier's image is 350 twips wide, narrower than its picture; walking down
    // and to the left, it once left its rightmost pixel column behind at every step.
    void aWalkingSoldierLeavesNoTrail_data() {
        QTest::addColumn<QString>("order");
        QTest::newRow("down-left, on the ground") << "press Form1 600 4400";
        QTest::newRow("down-left, to an enemy") << "wait 20000\npress Form1 1620 6300";
        QTest::newRow("up-right") << "press Form1 7000 1500";
    }
    void aWalkingSoldierLeavesNoTrail() {
        QFETCH(QString, order);
        Game g;
        ktqt::FormView& view = battlefield(g);
        g.run("click Form1 Image2\ndown Form1 Command1(0) 1 0 100 100\nwait 800");
        QCOMPARE(g.state()["c"].toInt(), 1);
        g.run("click Form1 Image2\nclick Form1 ima(1)\n" + order.toStdString());
        const double left = g.widget("Form1", "ima(1)")["Left"].toDouble();
        for (int tick = 0; tick < 80; ++tick) {
            g.wait(100);
            const QString diff = kolvar::unlikeFullPaint(view);
            QVERIFY2(diff.isEmpty(), qPrintable(QString("tick %1: %2").arg(tick).arg(diff)));
        }
        QVERIFY(g.widget("Form1", "ima(1)")["Left"].toDouble() != left);
    }
};

QTEST_MAIN(RepaintTest)
#include "test_repaint.moc"
