#pragma once
// kolvar-replay's interpreter: plays a line-based script against the real program on a virtual
// clock that only the script advances, printing the program's state as JSON on `dump`.

#include <iosfwd>
#include <string>

namespace kt {
class Program;
}
namespace ktqt {
class Frontend;
}

namespace kolvar {

class Replay {
public:
    Replay(kt::Program& app, ktqt::Frontend& frontend, std::ostream& out);

    /// Runs every line; returns 0, or 2 after writing "line N: message" to `err` for an unknown
    /// command or a malformed line.
    int run(std::istream& script, std::ostream& err);
    /// Runs one line (no trailing newline); throws std::runtime_error with a message on error.
    void step(const std::string& line);

private:
    kt::Program& app_;
    ktqt::Frontend& frontend_;
    std::ostream& out_;
};

/// Starts the program as the game does: the start menu shown.
void startProgram(kt::Program& app);

} // namespace kolvar
