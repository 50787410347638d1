// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "script.h"

#include "toolkit/widgets.h"

#include <cmath>
#include <stdexcept>
#include <vector>

namespace kolvar {

namespace {

struct Words {
    std::vector<std::string> words;
    std::vector<size_t> starts; ///< where each word begins in the line
};

Words split(const std::string& line) {
    Words w;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        w.words.push_back(line.substr(start, i - start));
        w.starts.push_back(start);
    }
    return w;
}

[[noreturn]] void fail(const std::string& message) {
    throw std::runtime_error(message);
}

// Positions, durations and codes a script may give; beyond them a number is refused rather than
// converted (a double out of an int's range has no int value at all).
constexpr double largest = 1e9;

double number(const std::string& s, const char* what) {
    size_t used = 0;
    double v = 0;
    try {
        v = std::stod(s, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != s.size() || !std::isfinite(v))
        fail(std::string("expected a number for ") + what + ", got '" + s + "'");
    if (std::fabs(v) > largest)
        fail(std::string(what) + " is out of range (at most 1e9 either way): '" + s + "'");
    return v;
}

int integer(const std::string& s, const char* what) {
    const double v = number(s, what);
    if (v != std::trunc(v))
        fail(std::string("expected a whole number for ") + what + ", got '" + s + "'");
    return int(v);
}

/// A line being read: its words, and where each begins, for commands whose last argument is the
/// rest of the line, blanks included.
struct Reading {
    const std::string& line;
    Words w;
    const std::string& word(size_t i) const { return w.words[i]; }
    bool has(size_t i) const { return i < w.words.size(); }
    /// Everything after the one blank that follows word i (empty when nothing follows).
    std::string after(size_t i) const {
        const size_t from = w.starts[i] + w.words[i].size() + 1;
        return from < line.size() ? line.substr(from) : std::string();
    }
    /// Word i to the end of the line.
    std::string from(size_t i) const { return has(i) ? line.substr(w.starts[i]) : std::string(); }
};

void duration(Step& s, const Reading& r) {
    const int ms = integer(r.word(1), "MS");
    if (ms < 0) fail(r.word(0) + " takes a duration of 0 or more");
    s.ms = ms;
}

void point(Step& s, const Reading& r) {
    s.form = r.word(1);
    s.x = number(r.word(2), "X");
    s.y = number(r.word(3), "Y");
    s.button = r.has(4) ? integer(r.word(4), "BUTTON") : kt::LeftButton;
    s.shift = r.has(5) ? integer(r.word(5), "SHIFT") : 0;
}

void widget(Step& s, const Reading& r) {
    s.form = r.word(1);
    s.widget = r.word(2);
}

void list(Step& s, const Reading& r) {
    s.form = r.word(1);
    s.list = r.word(2);
    if (s.list != "drive" && s.list != "dir" && s.list != "file")
        fail(r.word(0) + " takes drive, dir or file");
}

struct Command {
    const char* name;
    const char* args;
    const char* does;
    Step::Verb verb;
    size_t least, most; ///< words, the command's own included
    void (*read)(Step&, const Reading&);
};

// Each command once: its words, what it does (for --help) and how its line is read.
const Command table[] = {
    {"wait", "MS", "advance the clock MS milliseconds, firing every due tick", Step::Wait, 2, 2,
     duration},
    {"catchup", "MS",
     "advance MS ms as a late real-time clock does: a timer more than one interval behind ticks "
     "once (recordings write it)",
     Step::CatchUp, 2, 2, duration},
    {"press", "FORM X Y [BUTTON [SHIFT]]", "mouse press and release at client twips X,Y of FORM",
     Step::Press, 4, 6, point},
    {"mousedown", "FORM X Y [BUTTON [SHIFT]]",
     "mouse press alone at client twips X,Y of FORM (its Click, if any, is a line of its own)",
     Step::MouseDown, 4, 6, point},
    {"down", "FORM WIDGET[(I)] BUTTON SHIFT X Y", "MouseDown straight to a widget, widget twips",
     Step::Down, 7, 7,
     [](Step& s, const Reading& r) {
         widget(s, r);
         s.button = integer(r.word(3), "BUTTON");
         s.shift = integer(r.word(4), "SHIFT");
         s.x = number(r.word(5), "X");
         s.y = number(r.word(6), "Y");
     }},
    {"click", "FORM WIDGET[(I)]", "Click straight to a widget", Step::Click, 3, 3, widget},
    {"key", "FORM CODE", "a character key (decimal character code) pressed in FORM", Step::Key, 3,
     3,
     [](Step& s, const Reading& r) {
         s.form = r.word(1);
         s.code = integer(r.word(2), "CODE");
         if (s.code <= 0 || s.code > 0xFFFF) fail("CODE is a character code from 1 to 65535");
     }},
    {"type", "FORM WIDGET TEXT...",
     "type the rest of the line into a text box, a character at a time", Step::Type, 4, SIZE_MAX,
     [](Step& s, const Reading& r) {
         widget(s, r);
         s.text = r.after(2);
     }},
    {"erase", "FORM WIDGET", "delete a text box's last character", Step::Erase, 3, 3, widget},
    {"text", "FORM WIDGET [TEXT...]",
     "replace a text box's whole text with the rest of the line, as one change", Step::Text, 3,
     SIZE_MAX,
     [](Step& s, const Reading& r) {
         widget(s, r);
         s.text = r.after(2);
     }},
    {"choose", "FORM drive|dir|file NAME", "pick the entry of a browser list shown as NAME",
     Step::Choose, 4, SIZE_MAX,
     [](Step& s, const Reading& r) {
         list(s, r);
         s.text = r.from(3);
     }},
    {"pick", "FORM drive|dir|file ROW", "pick row ROW (from 0) of a browser list", Step::Pick, 4, 4,
     [](Step& s, const Reading& r) {
         list(s, r);
         s.row = integer(r.word(3), "ROW");
     }},
    {"focus", "FORM WIDGET[(I)]", "the keyboard focus moves to a widget", Step::Focus, 3, 3,
     widget},
    {"close", "FORM", "the window's close box", Step::Close, 2, 2,
     [](Step& s, const Reading& r) { s.form = r.word(1); }},
    {"dump", "", "print one JSON line: windows, widgets, battle state, messages", Step::Dump, 1, 1,
     [](Step&, const Reading&) {}},
    {"shot", "FORM FILE.png", "save a screenshot of FORM", Step::Shot, 3, SIZE_MAX,
     [](Step& s, const Reading& r) {
         s.form = r.word(1);
         s.text = r.from(2);
     }},
    {"check", "", "stop with status 2 if any invariant is broken", Step::Check, 1, 1,
     [](Step&, const Reading&) {}},
};

std::string usage(const Command& c) {
    return std::string(c.name) + (*c.args ? " " : "") + c.args;
}

} // namespace

std::optional<Step> parse(const std::string& line) {
    if (const size_t first = line.find_first_not_of(" \t");
        first == std::string::npos || line[first] == '#')
        return std::nullopt;
    const Reading r{line, split(line)};
    for (const Command& c : table) {
        if (r.word(0) != c.name) continue;
        if (r.w.words.size() < c.least || r.w.words.size() > c.most) fail("usage: " + usage(c));
        Step s;
        s.verb = c.verb;
        c.read(s, r);
        return s;
    }
    fail("unknown command '" + r.word(0) + "'");
}

std::string commands() {
    std::string out;
    for (const Command& c : table) {
        std::string u = usage(c);
        u.resize(std::max<size_t>(u.size() + 1, 40), ' ');
        out += u + c.does + '\n';
    }
    return out;
}

int rowNamed(const kt::Widget& widget, const std::string& name) {
    const auto* l = dynamic_cast<const kt::ListBase*>(&widget);
    if (!l) return -1;
    const auto* driveList = kt::as<kt::DriveList>(&widget);
    const auto* drives = driveList ? &driveList->drives : nullptr;
    int row = -1;
    for (size_t i = 0; i < l->entries.size(); ++i)
        // A drive may also be named by its root folder alone.
        if (l->entries[i] == name || (drives && i < drives->size() && (*drives)[i].root == name))
            row = int(i);
    return row;
}

} // namespace kolvar
