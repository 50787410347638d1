// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "driver.h"

#include "toolkit/program.h"

#include <algorithm>

namespace ktqt {

ClockDriver::ClockDriver(kt::Program& app, const RealTime& time)
    : app_(app)
    , time_(time) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
}

void ClockDriver::arm() {
    if (app_.messageBoxOpen() || app_.waiting() || app_.ended()) return;
    const auto due = app_.clock.nextDue();
    if (!due) {
        timer_.stop();
        return;
    }
    const int64_t wait = std::max<int64_t>(0, *due - time_.elapsed());
    timer_.start(int(std::min<int64_t>(wait, 1 << 30)));
}

void ClockDriver::fire() {
    if (app_.messageBoxOpen() || app_.waiting()) return; // armed again when it ends
    const int64_t now = time_.elapsed();
    if (now > app_.clock.now()) app_.advance(now - app_.clock.now(), /*coalesce=*/true);
    arm();
}

} // namespace ktqt
