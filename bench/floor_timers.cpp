// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Floor: a bare 794 x 642 window with the battlefield's three timers (100, 100 and 50 ms), each
// tick repainting the whole window. `kolvar-floor-timers SECONDS` reports the CPU time it used
// over that many seconds once shown: what a battle would cost if every tick repainted everything.

#include "measure.h"

#include <QApplication>

namespace {

class Ticking : public kbench::BareWindow {
public:
    Ticking() {
        for (int ms : {100, 100, 50}) {
            auto* t = new QTimer(this);
            t->setTimerType(Qt::PreciseTimer);
            connect(t, &QTimer::timeout, this, [this] { update(); });
            t->start(ms);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    Ticking w;
    double cpu0 = 0;
    kbench::FirstPaint watch(&w, [&] {
        cpu0 = kbench::cpuMs();
        QTimer::singleShot(int(seconds * 1000), [&] {
            kbench::report("cpu_ms", kbench::cpuMs() - cpu0);
            QCoreApplication::exit(0);
        });
    });
    w.show();
    return QApplication::exec();
}
