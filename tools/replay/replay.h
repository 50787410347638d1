// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// kolvar-replay's interpreter: plays a script against the real program on a virtual clock that
// only the script advances, printing the program's state as JSON on `dump`.

#include "script.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace kt {
class Program;
}
namespace ktqt {
class Frontend;
}

namespace kolvar {

class InvariantWatch;

class Replay {
public:
    /// Watches the program's invariants from here on, for `check`.
    Replay(kt::Program& app, ktqt::Frontend& frontend, std::ostream& out);
    ~Replay();

    /// Off: `shot` checks its line but writes no file (for runs over untrusted scripts).
    bool writeFiles = true;

    /// Runs every line; returns 0, or 2 after writing "line N: message" to `err` for an unknown
    /// command, a malformed line or one that cannot run.
    int run(std::istream& script, std::ostream& err);
    /// Runs one line (no trailing newline); throws std::runtime_error with a message on error.
    void step(const std::string& line);
    /// Runs one read line; throws std::runtime_error with a message when it cannot run.
    void run(const Step& step);

private:
    kt::Program& app_;
    ktqt::Frontend& frontend_;
    std::ostream& out_;
    std::unique_ptr<InvariantWatch> watch_;
};

/// Starts the program as the game does: the start menu shown.
void startProgram(kt::Program& app);

/// The state of the program as `dump` prints it, one line of JSON without its newline.
std::string dump(const kt::Program& app);

} // namespace kolvar
