// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "clock.h"

#include <algorithm>

namespace kt {

Timer::~Timer() {
    if (clock_) clock_->remove(*this);
}

void Timer::rearm() {
    if (clock_) due_ = clock_->now() + interval_;
}

void Timer::setInterval(int ms) {
    interval_ = std::max(ms, 0);
    rearm();
}

void Timer::setEnabled(bool on) {
    if (on && !enabled_) rearm();
    enabled_ = on;
}

void Clock::add(Timer& t) {
    t.clock_ = this;
    t.serial_ = ++serial_;
    t.rearm();
    timers_.push_back(&t);
}

void Clock::remove(Timer& t) {
    std::erase(timers_, &t);
    t.clock_ = nullptr;
}

static bool runs(const Timer* t) {
    return t->enabled() && t->interval() > 0;
}

std::optional<int64_t> Clock::nextDue() const {
    std::optional<int64_t> best;
    for (const Timer* t : timers_)
        if (runs(t) && (!best || t->due_ < *best)) best = t->due_;
    return best;
}

Timer* Clock::popDue(int64_t limit, bool coalesce) {
    Timer* best = nullptr;
    for (Timer* t : timers_) // creation order: the first of equal due times wins
        if (runs(t) && t->due_ <= limit && (!best || t->due_ < best->due_)) best = t;
    if (!best) {
        now_ = std::max(now_, limit);
        return nullptr;
    }
    now_ = std::max(now_, best->due_);
    best->due_ += best->interval();
    if (coalesce && best->due_ <= limit) {
        const int64_t behind = (limit - best->due_) / best->interval() + 1;
        best->due_ += behind * best->interval();
        ++skips_;
    }
    return best;
}

} // namespace kt
