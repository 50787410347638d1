// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Repaint economy of the battlefield window: after a tick, only what changed on screen is painted.
// The regions come from the view's own record of its last sync and from the paint events the
// window really receives.

#include "harness.h"
#include "toolkit/qt/view.h"

#include <QPaintEvent>
#include <QTest>

using kolvar::viewOf;

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

} // namespace

class RepaintTest : public QObject {
    Q_OBJECT
private slots:
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
            settle();
            const QString caption = kolvar::fields(g, "Label1.Caption");
            PaintLog log(&view);
            const int before = view.paintCount();
            g.wait(100);
            QCOMPARE(kolvar::fields(g, "Label1.Caption") == caption, still);
            QCOMPARE(view.lastDirty().isEmpty(), still);
            QVERIFY2(view.lastDirty().subtracted(money).isEmpty(),
                     "the sync marked more than the money label");
            settle();
            QCOMPARE(view.paintCount() > before, !still);
            QCOMPARE(log.events > 0, !still);
            const QRect out = log.painted.subtracted(money).boundingRect();
            QVERIFY2(out.isEmpty(), qPrintable("painted within " + kolvar::rectText(out)));
        }
        CHECK_FIELDS(g, "clock", "14");
    }
};

QTEST_MAIN(RepaintTest)
#include "test_repaint.moc"
