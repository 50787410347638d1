// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Repaint economy of the battlefield window: after a tick, only what changed on screen is painted.
// The regions come from the view's own record of its last sync and from the paint events the
// window really receives.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QPaintEvent>
#include <QTest>

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
};

QTEST_MAIN(RepaintTest)
#include "test_repaint.moc"
