// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// What must hold between any two inputs, whatever the player did: the checker that tests, the
// fuzzers and kolvar-replay's `check` run after every input. An empty list means all is well;
// otherwise each entry says in a line what is broken.

#include "toolkit/program.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kolvar {

class Form1;

/// The invariants that can be judged from one moment's state: the windows, and the battle's
/// bookkeeping against its widgets.
std::vector<std::string> brokenInvariants(const kt::Program& app);

/// The whole checker. Besides the moment's state it watches the program over time: what each
/// tick leaves behind (the money shown after a movement tick, a battle that must have ended),
/// values that only grow during a battle, and the message boxes each battle shows. Install one
/// per program, before the inputs to watch; it watches the ticks until it goes.
class InvariantWatch : kt::TickObserver {
public:
    explicit InvariantWatch(kt::Program& app);
    ~InvariantWatch() override;
    InvariantWatch(const InvariantWatch&) = delete;
    InvariantWatch& operator=(const InvariantWatch&) = delete;

    /// Everything broken now, and everything seen broken at a tick since the last call.
    std::vector<std::string> check();

private:
    /// What of a battle may only grow, or never change, from one check to the next.
    struct Course {
        uint64_t serial = 0;
        int16_t c = 0, clock = 0, hitene = 0;
        uint8_t kills = 0, er = 0, evol = 0;
        std::array<int16_t, 81> alive{};
        std::array<int16_t, 11> cost{};
        std::array<uint8_t, 11> tempo{}, life{};
        std::array<uint8_t, 12> reach{};
    };
    void ticked(kt::Timer& t) override;
    static Course courseOf(const Form1& f, uint64_t serial);
    void compare(const Course& was, const Course& now);

    kt::Program& app_;
    std::vector<std::string> seen_;
    std::optional<Course> course_;
    std::map<uint64_t, int> messages_; ///< message boxes shown, per battle
    size_t logged_ = 0;                ///< messages accounted for
};

} // namespace kolvar
