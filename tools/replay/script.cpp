// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "script.h"

#include "toolkit/widgets.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <istream>
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
         s.text = unescaped(r.after(2));
     }},
    {"erase", "FORM WIDGET", "delete a text box's last character", Step::Erase, 3, 3, widget},
    {"text", "FORM WIDGET [TEXT...]",
     "replace a text box's whole text with the rest of the line, as one change", Step::Text, 3,
     SIZE_MAX,
     [](Step& s, const Reading& r) {
         widget(s, r);
         s.text = unescaped(r.after(2));
     }},
    {"choose", "FORM drive|dir|file NAME", "pick the entry of a browser list shown as NAME",
     Step::Choose, 4, SIZE_MAX,
     [](Step& s, const Reading& r) {
         list(s, r);
         s.text = unescaped(r.from(3));
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
    {"shot", "FORM FILE.png", "save a screenshot of FORM as a new file under the current folder",
     Step::Shot, 3, SIZE_MAX,
     [](Step& s, const Reading& r) {
         s.form = r.word(1);
         s.text = r.from(2);
         if (s.text.front() == '/' || ("/" + s.text + "/").find("/../") != std::string::npos)
             fail("shot writes only under the current folder, not to '" + s.text + "'");
     }},
    {"check", "", "stop with status 2 if any invariant is broken", Step::Check, 1, 1,
     [](Step&, const Reading&) {}},
};

/// The bytes an escape names by a letter: the one rule both ways.
struct Named {
    char byte, letter;
};
constexpr Named named[] = {{'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\0', '0'}};

bool hex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

/// How many bytes of `s` from `i` make one UTF-8 character; 0 where they make none.
size_t utf8(const std::string& s, size_t i) {
    const auto at = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned lead = at(i);
    // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
    unsigned n = 0, low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        n = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        n = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4)
        n = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    if (n == 0 || at(i + 1) < low || at(i + 1) > high) return 0;
    for (size_t k = 2; k < n; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
    return n;
}

std::string usage(const Command& c) {
    return std::string(c.name) + (*c.args ? " " : "") + c.args;
}

} // namespace

void fail(const std::string& message) {
    throw std::runtime_error(escaped(message));
}

std::string escaped(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const size_t n = b >= 0x80 ? utf8(bytes, i) : 1;
        // A C1 control (U+0080 to U+009F) moves a terminal as an escape byte does.
        const bool c1 = n == 2 && b == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0;
        if (n > 1 && !c1) {
            out.append(bytes, i, n);
            i += n;
            continue;
        }
        for (size_t k = 0; k < std::max<size_t>(n, 1); ++k, ++i) {
            const char c = bytes[i];
            const auto u = static_cast<unsigned char>(c);
            const auto name = std::find_if(std::begin(named), std::end(named),
                                           [&](const Named& e) { return e.byte == c; });
            if (name != std::end(named))
                out += {'\\', name->letter};
            else if (u >= 0x20 && u < 0x7F)
                out += c;
            else {
                static const char digits[] = "0123456789abcdef";
                out += "\\x";
                out += digits[u >> 4];
                out += digits[u & 15];
            }
        }
    }
    return out;
}

std::string unescaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char e = i + 1 < text.size() ? text[++i] : ' ';
        const auto name = std::find_if(std::begin(named), std::end(named),
                                       [&](const Named& n) { return n.letter == e; });
        if (name != std::end(named))
            out += name->byte;
        else if (e == 'x' && i + 2 < text.size() && hex(text[i + 1]) && hex(text[i + 2])) {
            out += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            fail("a backslash starts one of the escapes n, r, t, 0, xHH or a second backslash");
    }
    return out;
}

std::optional<std::string> LineReader::next() {
    std::streambuf* in = in_.rdbuf();
    if (!in || in->sgetc() == std::char_traits<char>::eof()) return std::nullopt;
    ++number_;
    std::string line;
    for (int c = in->sbumpc(); c != std::char_traits<char>::eof() && c != '\n'; c = in->sbumpc()) {
        if (line.size() == longestLine)
            fail("longer than " + std::to_string(longestLine) + " bytes");
        line += char(c);
    }
    if (number_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

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
    const kt::ListBase* l = kt::asList(widget);
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
