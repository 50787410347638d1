// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The real game started as app/main.cpp starts it, measured from inside. One mode per run:
//
//   kolvar-bench-launch menu            the start menu's first paint: "painted_ns", "peak_rss_kb"
//   kolvar-bench-launch gioca ORDER     once the menu has painted, in the same process: a bare
//                                       794 x 642 window opened until painted ("bare_ms") and
//                                       "gioca" until the battlefield has painted ("gioca_ms");
//                                       ORDER 0 opens the bare window first, 1 clicks gioca first
//   kolvar-bench-launch cpu SECONDS     a battle left alone: CPU time over SECONDS ("cpu_ms")
//   kolvar-bench-launch clock SECONDS   a battle left alone: Timer2's ticks over SECONDS of real
//                                       time, per 5-second window, and how late the clock runs
//
// The commander is kept alive in the battles (as the cheat box would), so that no message box
// stops the clock before the time is up.

#include "measure.h"

#include "app/display.h"
#include "app/identity.h"
#include "harness.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/qt/view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr, "usage: kolvar-bench-launch menu | gioca ORDER | cpu SECONDS | "
                         "clock SECONDS\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    const double arg = argc > 2 ? std::atof(argv[2]) : 0;
    if (mode != "menu" && mode != "gioca" && mode != "cpu" && mode != "clock") return usage();

    // ---- The game's own start-up (app/main.cpp) ----
    const auto qapp = kolvar::openDisplay("kolvar-bench-launch", argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    QElapsedTimer real; // started with the frontend's own real-time clock, to the microsecond
    real.start();
    kolvar::start(app, frontend);

    auto viewOf = [&](const char* name) -> QWidget* {
        kt::Form* f = app.formByName(name);
        return f ? frontend.view(*f) : nullptr;
    };
    std::vector<std::unique_ptr<QObject>> keep;
    auto afterPaint = [&](QWidget* w, std::function<void()> then) {
        keep.push_back(std::make_unique<kbench::FirstPaint>(w, std::move(then)));
    };

    // Starts a battle through the model and calls `then` once the battlefield has painted.
    auto gioca = [&](std::function<void()> then) {
        const int64_t t0 = kbench::monotonicNs();
        app.click(*app.formByName("frmSplash")->find("Command1"));
        afterPaint(viewOf("Form1"), [t0, then] {
            kbench::report("gioca_ms", double(kbench::monotonicNs() - t0) / 1e6);
            then();
        });
    };
    auto bare = [&](std::function<void()> then) {
        const int64_t t0 = kbench::monotonicNs();
        auto* w = new kbench::BareWindow;
        w->setAttribute(Qt::WA_DeleteOnClose);
        afterPaint(w, [t0, w, then] {
            kbench::report("bare_ms", double(kbench::monotonicNs() - t0) / 1e6);
            w->close();
            then();
        });
        w->show();
    };
    auto keepCommanderAlive = [&] {
        auto& f = *app.loaded<kolvar::Form1>();
        auto tick = f.Timer1.Tick;
        f.Timer1.Tick = [&f, tick] {
            kolvar::BattleProbe{f}.uni()[0].hp = 255;
            tick();
        };
    };
    // exit, not quit: quit first closes every window, and the game's windows leave that to the
    // model (closing the battlefield ends the battle instead).
    auto quit = [] { QCoreApplication::exit(0); };

    afterPaint(viewOf("frmSplash"), [&] {
        if (mode == "menu") {
            kbench::report("painted_ns", double(kbench::monotonicNs()));
            kbench::report("peak_rss_kb", double(kbench::peakRssKb()));
            quit();
        } else if (mode == "gioca") {
            // A player looks at the menu for a moment before pressing "gioca".
            // And each measurement starts from a quiet process: the one before it has tidied up
            // (a closed window is destroyed, the display server has caught up).
            auto pause = [](std::function<void()> next) {
                return [next] { QTimer::singleShot(300, next); };
            };
            QTimer::singleShot(400, [&, pause] {
                if (arg == 0)
                    bare(pause([&] { gioca(quit); }));
                else
                    gioca(pause([&] { bare(quit); }));
            });
        } else if (mode == "cpu") {
            gioca([&] {
                keepCommanderAlive();
                const double cpu0 = kbench::cpuMs();
                QTimer::singleShot(int(arg * 1000), [cpu0] {
                    kbench::report("cpu_ms", kbench::cpuMs() - cpu0);
                    QCoreApplication::exit(0);
                });
            });
        } else {
            gioca([&] {
                keepCommanderAlive();
                auto& f = *app.loaded<kolvar::Form1>();
                struct Count {
                    int64_t start = -1;        ///< the first tick counted, real ms
                    int64_t virtualStart = -1; ///< and its virtual time
                    int total = 0;
                    std::vector<int> windows;
                    double firstLate = -1, lastLate = 0, worstLate = 0;
                };
                auto count = std::make_shared<Count>();
                count->windows.assign(size_t(std::max(1.0, arg / 5)), 0);
                auto tick = f.Timer2.Tick;
                f.Timer2.Tick = [&, count, tick] {
                    const int64_t at = real.elapsed();
                    if (count->start < 0) count->start = at;
                    ++count->total;
                    // Windows of virtual time: a tick the driver had to skip leaves a gap there.
                    if (count->virtualStart < 0) count->virtualStart = app.clock.now();
                    const size_t w = size_t((app.clock.now() - count->virtualStart) / 5000);
                    if (w < count->windows.size()) ++count->windows[w];
                    // How far the virtual clock is behind real time at this tick.
                    const double late = double(at - app.clock.now());
                    if (count->firstLate < 0) count->firstLate = late;
                    count->lastLate = late;
                    count->worstLate = std::max(count->worstLate, late);
                    tick();
                };
                QTimer::singleShot(int(arg * 1000), [&, count] {
                    // From the first tick counted: a perfect clock ticks once more every 100 ms.
                    const int64_t span = real.elapsed() - count->start;
                    kbench::report("ticks", count->total);
                    kbench::report("nominal", count->start < 0 ? 1 : double(span / 100 + 1));
                    // Only whole windows: the last one is cut short by the end of the run.
                    for (size_t w = 0; w < count->windows.size() && int64_t(w + 1) * 5000 <= span;
                         ++w)
                        kbench::report("window_ticks", count->windows[w]);
                    kbench::report("window_nominal", 50);
                    kbench::report("first_late_ms", count->firstLate);
                    kbench::report("last_late_ms", count->lastLate);
                    kbench::report("worst_late_ms", count->worstLate);
                    QCoreApplication::exit(0);
                });
            });
        }
    });
    return QApplication::exec();
}
