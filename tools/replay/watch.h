// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A script played on the shown windows for a person to watch: the clock runs at a chosen
// multiple of real time, and every line does to the program what it does headless.

#include "script.h"

#include <QTimer>
#include <vector>

namespace kt {
class Program;
}
namespace ktqt {
class Frontend;
}

namespace kolvar {

class Replay;

struct NumberedStep {
    int line;
    Step step;
};

class Watch {
public:
    Watch(kt::Program& app, ktqt::Frontend& frontend, Replay& replay,
          std::vector<NumberedStep> steps, double speed);

    /// Starts playing; the event loop ends two seconds after the last line, or when the program
    /// does.
    void start();
    /// 0, or 2 once a line could not run (said on standard error).
    int status() const { return status_; }

private:
    /// Runs every line that is due and schedules the next look.
    void play();
    /// Game time the real clock allows by now.
    int64_t allowed() const;

    kt::Program& app_;
    ktqt::Frontend& frontend_;
    Replay& replay_;
    std::vector<NumberedStep> steps_;
    double speed_;
    size_t next_ = 0;
    int64_t until_ = -1; ///< game time the current wait runs to; -1: not waiting
    int64_t gameBase_ = 0, realBase_ = 0;
    bool playing_ = false;
    int status_ = 0;
    QTimer timer_;
};

} // namespace kolvar
