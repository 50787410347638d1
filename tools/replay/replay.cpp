// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "replay.h"

#include "battle/invariants.h"

#include "shell/frmsplash.h"
#include "toolkit/describe.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QJsonDocument>
#include <cmath>
#include <istream>
#include <ostream>
#include <sstream>
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

kt::Form& form(kt::Program& app, const std::string& name) {
    kt::Form* f = app.formByName(name);
    if (!f) fail("window " + name + " does not exist");
    return *f;
}

kt::Widget& widget(kt::Form& f, const std::string& key) {
    kt::Widget* w = f.find(key);
    if (!w) fail(std::string(f.className()) + " has no widget " + key);
    return *w;
}

void need(const Words& w, size_t least, size_t most, const char* usage) {
    if (w.words.size() < least || w.words.size() > most) fail(std::string("usage: ") + usage);
}

} // namespace

void startProgram(kt::Program& app) {
    app.dispatch([&] { showStartMenu(app); });
}

Replay::Replay(kt::Program& app, ktqt::Frontend& frontend, std::ostream& out)
    : app_(app)
    , frontend_(frontend)
    , out_(out)
    , watch_(std::make_unique<InvariantWatch>(app)) {}

Replay::~Replay() = default;

void Replay::step(const std::string& raw) {
    // No event loop runs under a script: the windows of closed forms, deleted later by design,
    // are deleted here, between two lines, where none of them is in use.
    struct Flush {
        ~Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    } flush;
    std::string line = raw;
    if (const size_t hash = line.find('#');
        hash != std::string::npos && line.find_first_not_of(" \t") == hash)
        return; // a comment line
    const Words w = split(line);
    if (w.words.empty()) return;
    const std::string& cmd = w.words[0];
    auto rest = [&](size_t word) {
        return word < w.words.size() ? line.substr(w.starts[word]) : std::string();
    };

    if (cmd == "wait") {
        need(w, 2, 2, "wait MS");
        const int ms = integer(w.words[1], "MS");
        if (ms < 0) fail("wait takes a duration of 0 or more");
        app_.advance(ms);
    } else if (cmd == "press") {
        need(w, 4, 6, "press FORM X Y [BUTTON [SHIFT]]");
        kt::Form& f = form(app_, w.words[1]);
        const int button = w.words.size() > 4 ? integer(w.words[4], "BUTTON") : kt::LeftButton;
        const int shift = w.words.size() > 5 ? integer(w.words[5], "SHIFT") : 0;
        app_.press(f, float(number(w.words[2], "X")), float(number(w.words[3], "Y")), button,
                   shift);
    } else if (cmd == "down") {
        need(w, 7, 7, "down FORM WIDGET[(I)] BUTTON SHIFT X Y");
        kt::Widget& target = widget(form(app_, w.words[1]), w.words[2]);
        app_.mouseDownOn(target, integer(w.words[3], "BUTTON"), integer(w.words[4], "SHIFT"),
                         float(number(w.words[5], "X")), float(number(w.words[6], "Y")));
    } else if (cmd == "click") {
        need(w, 3, 3, "click FORM WIDGET[(I)]");
        app_.click(widget(form(app_, w.words[1]), w.words[2]));
    } else if (cmd == "key") {
        need(w, 3, 3, "key FORM CODE");
        const int code = integer(w.words[2], "CODE");
        if (code <= 0 || code > 0xFFFF) fail("CODE is a character code from 1 to 65535");
        app_.keyPress(form(app_, w.words[1]), code);
    } else if (cmd == "type") {
        if (w.words.size() < 4) fail("usage: type FORM WIDGET TEXT...");
        kt::Form& f = form(app_, w.words[1]);
        kt::Widget& target = widget(f, w.words[2]);
        if (target.kind != kt::Kind::TextBox) fail(w.words[2] + " is not a text box");
        const std::string cls = f.className();
        const uint64_t serial = f.serial();
        // The text is everything after the one blank that follows WIDGET, blanks included.
        const size_t from = w.starts[2] + w.words[2].size() + 1;
        const std::string text = from < line.size() ? line.substr(from) : std::string();
        for (char ch : text) {
            // Each character is its own change, as typing is; stop if the window went away.
            kt::Form* now = app_.formByName(cls);
            if (!now || now->serial() != serial) break;
            auto& box = static_cast<kt::TextBox&>(target);
            app_.setText(box, box.text() + ch);
        }
    } else if (cmd == "choose") {
        if (w.words.size() < 4) fail("usage: choose brow drive|dir|file NAME");
        kt::Form& f = form(app_, w.words[1]);
        const std::string& which = w.words[2];
        if (which != "drive" && which != "dir" && which != "file")
            fail("choose takes drive, dir or file");
        const kt::Kind kind = which == "drive" ? kt::Kind::DriveList
                              : which == "dir" ? kt::Kind::DirList
                                               : kt::Kind::FileList;
        kt::Widget* list = nullptr;
        for (kt::Widget* x : f.widgets())
            if (x->kind == kind) list = x;
        if (!list) fail(std::string(f.className()) + " has no " + which + " list");
        auto& l = dynamic_cast<kt::ListBase&>(*list);
        const std::string name = rest(3);
        int row = -1;
        for (size_t i = 0; i < l.entries.size(); ++i) {
            if (l.entries[i] == name) row = int(i);
            // A drive may also be named by its root folder alone.
            if (kind == kt::Kind::DriveList &&
                static_cast<kt::DriveList&>(*list).drives[i].root == name)
                row = int(i);
        }
        if (row < 0) fail("the " + which + " list has no entry '" + name + "'");
        app_.dispatch([&] { l.activate(row); });
    } else if (cmd == "close") {
        need(w, 2, 2, "close FORM");
        app_.closeBox(form(app_, w.words[1]));
    } else if (cmd == "dump") {
        need(w, 1, 1, "dump");
        out_ << QJsonDocument(kt::describe(app_)).toJson(QJsonDocument::Compact).toStdString()
             << '\n';
        out_.flush();
    } else if (cmd == "check") {
        need(w, 1, 1, "check");
        const std::vector<std::string> broken = watch_->check();
        if (!broken.empty()) {
            std::string all = "broken: " + broken[0];
            for (size_t i = 1; i < broken.size(); ++i) all += "; " + broken[i];
            fail(all);
        }
    } else if (cmd == "shot") {
        if (w.words.size() < 3) fail("usage: shot FORM FILE.png");
        kt::Form& f = form(app_, w.words[1]);
        ktqt::FormView* v = frontend_.view(f);
        if (!v) fail(w.words[1] + " has no window");
        if (!writeFiles) return;
        if (!v->grab().save(QString::fromStdString(rest(2)), "PNG"))
            fail("cannot write " + rest(2));
    } else {
        fail("unknown command '" + cmd + "'");
    }
}

int Replay::run(std::istream& script, std::ostream& err) {
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        try {
            step(line);
        } catch (const std::exception& e) {
            err << "line " << number << ": " << e.what() << '\n';
            return 2;
        }
    }
    return 0;
}

} // namespace kolvar
