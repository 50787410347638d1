// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Virtual milliseconds and the timers that tick on them. A timer with interval I ticks I ms after
// it is switched on and every I ms after; interval 0 never ticks; ticks due at the same instant
// come in the order the timers were created.

#include "widgets.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kt {

class Clock {
public:
    int64_t now() const { return now_; }

    void add(Timer& t);
    void remove(Timer& t);

    /// The next timer due at or before `limit`, with the clock moved to its due time and the timer
    /// rearmed for its following tick; null (clock at `limit`) when none is due. With `coalesce`,
    /// a timer that has fallen more than one interval behind skips its missed ticks (keeping its
    /// phase), so a late real-time driver fires it once instead of in a burst.
    Timer* popDue(int64_t limit, bool coalesce = false);

    /// When the next tick is due, if any timer runs.
    std::optional<int64_t> nextDue() const;
    /// How many times a coalescing popDue has skipped ticks so far.
    uint64_t skips() const { return skips_; }

private:
    friend struct Timer;
    std::vector<Timer*> timers_; ///< in creation order
    int64_t now_ = 0;
    uint64_t serial_ = 0;
    uint64_t skips_ = 0;
};

} // namespace kt
