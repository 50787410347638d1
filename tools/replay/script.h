// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The script language of kolvar-replay: one command a line, read into a Step before anything
// runs, so that a whole script can be refused before a window opens.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace kt {
struct Widget;
}

namespace kolvar {

struct Step {
    enum Verb {
        Wait,      ///< ms: advance the clock, firing every due tick
        CatchUp,   ///< ms: advance as a late real-time clock does, skipping a late timer's ticks
        Press,     ///< form, x, y, button, shift: press and release at one point
        MouseDown, ///< form, x, y, button, shift: the press alone
        Down,      ///< form, widget, button, shift, x, y: MouseDown straight to a widget
        Click,     ///< form, widget
        Key,       ///< form, code
        Type,      ///< form, widget, text: typed a character at a time
        Erase,     ///< form, widget: the last character deleted
        Text,      ///< form, widget, text: the whole text replaced at once
        Choose,    ///< form, list, text: a list's row by its text
        Pick,      ///< form, list, row: a list's row by its number
        Focus,     ///< form, widget: the keyboard focus moves
        Close,     ///< form: the close box
        Dump,
        Check,
        Shot, ///< form, text: the file
    };
    Verb verb = Wait;
    std::string form, widget, list, text;
    double x = 0, y = 0;
    int button = 1, shift = 0, code = 0, row = 0;
    int64_t ms = 0;
};

/// Reads one line (without its newline). Nothing for a blank line or a comment (first non-blank
/// character '#'); throws std::runtime_error saying what is wrong with a malformed line.
std::optional<Step> parse(const std::string& line);

/// Every command with its arguments and what it does, one line each, as --help prints them.
std::string commands();

/// The longest wait one line may hold, ms.
constexpr int64_t longestWait = 1000000000;

/// The longest line a script may hold, bytes: a stranger's file without a line break is refused
/// at this length instead of being read whole.
constexpr size_t longestLine = 1 << 20;

/// The one escape rule of scripts, for the text of `type` and `text` and the NAME of `choose`:
/// a backslash followed by \\, n, r, t, 0 or xHH (two hex digits) stands for that byte, so that
/// whatever a player typed or pasted (a line break, a NUL, a CR at the end) stays on its own line.
/// `escaped` writes every byte below 32, DEL, a backslash, a C1 control and a byte that is not
/// UTF-8 so; everything else as it is. A line without a backslash reads as it always did.
std::string escaped(const std::string& bytes);
/// The bytes an escaped text stands for; throws std::runtime_error at a backslash that starts
/// none of the escapes.
std::string unescaped(const std::string& text);

/// Throws std::runtime_error saying `message`, escaped: a message quotes a script's words, which
/// may hold any byte, and what() would end at a NUL.
[[noreturn]] void fail(const std::string& message);

/// Reads a script a line at a time, as every way of playing one does: without the line break and
/// a CR before it, the first line without a UTF-8 byte-order mark.
class LineReader {
public:
    explicit LineReader(std::istream& in)
        : in_(in) {}
    /// The next line, or nothing at the end; throws std::runtime_error for a line longer than
    /// longestLine (number() is then that line's).
    std::optional<std::string> next();
    /// The number of the line read last, from 1.
    int number() const { return number_; }

private:
    std::istream& in_;
    int number_ = 0;
};

/// The row of a drive, folder or file list that `choose` finds by `name` (the last row whose text
/// is `name`, or for a drive list also whose root folder is), or -1.
int rowNamed(const kt::Widget& list, const std::string& name);

} // namespace kolvar
