// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Floor: a bare 794 x 642 Qt Widgets window that paints once and quits. It reports the moment its
// first paint is done and its peak memory, the least any Qt Widgets program can cost at launch.

#include "measure.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    kbench::BareWindow w;
    kbench::FirstPaint watch(&w, [] {
        kbench::report("painted_ns", double(kbench::monotonicNs()));
        kbench::report("peak_rss_kb", double(kbench::peakRssKb()));
        QCoreApplication::exit(0);
    });
    w.show();
    return QApplication::exec();
}
