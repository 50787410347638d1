// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "watch.h"

#include "replay.h"

#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <iostream>

namespace kolvar {

namespace {
constexpr int linger = 2000; ///< real ms the windows stay after the last line
constexpr int frame = 15;    ///< real ms between two looks at the clock while a wait runs
} // namespace

Watch::Watch(kt::Program& app, ktqt::Frontend& frontend, Replay& replay,
             std::vector<NumberedStep> steps, double speed)
    : app_(app)
    , frontend_(frontend)
    , replay_(replay)
    , steps_(std::move(steps))
    , speed_(speed) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { play(); });
}

void Watch::start() {
    gameBase_ = app_.clock.now();
    realBase_ = frontend_.elapsed();
    timer_.start(0);
}

int64_t Watch::allowed() const {
    return gameBase_ + int64_t(std::floor(double(frontend_.elapsed() - realBase_) * speed_));
}

void Watch::play() {
    // A message box opened by a tick runs an event loop of its own, in which this timer may fire:
    // the lines wait until the tick that opened it has finished.
    if (playing_) {
        timer_.start(frame);
        return;
    }
    playing_ = true;
    while (next_ < steps_.size() && !app_.ended()) {
        const NumberedStep& n = steps_[next_];
        const Step& s = n.step;
        if (s.verb == Step::Wait || s.verb == Step::CatchUp) {
            if (until_ < 0) until_ = app_.clock.now() + s.ms;
            // The clock moves in the same steps a headless run makes, only later: a plain wait in
            // slices (the ticks come out the same), a catch-up whole once its time has come.
            const int64_t to = std::min(allowed(), until_);
            if (s.verb == Step::Wait && to > app_.clock.now()) app_.advance(to - app_.clock.now());
            if (to < until_) {
                playing_ = false;
                timer_.start(frame);
                return;
            }
            if (s.verb == Step::CatchUp) app_.advance(s.ms, true);
            until_ = -1;
        } else {
            try {
                replay_.run(s);
            } catch (const std::exception& e) {
                std::cerr << "line " << n.line << ": " << e.what() << '\n';
                status_ = 2;
                playing_ = false;
                QCoreApplication::exit(status_);
                return;
            }
        }
        ++next_;
    }
    playing_ = false;
    if (!app_.ended()) QTimer::singleShot(linger, [] { QCoreApplication::exit(0); });
}

} // namespace kolvar
