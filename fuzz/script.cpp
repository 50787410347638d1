// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to kolvar-replay's interpreter as a script, against the real program with
// its Qt views on the offscreen platform, its browser in the folder tree of tree.h. A script
// either runs to its end or stops at its first bad line with "line N: why", its bytes shown
// escaped; it never crashes, and the program's invariants hold after every line.

#include "battle/invariants.h"
#include "shell/brow.h"
#include "shell/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "tools/replay/replay.h"

#include "tree.h"

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

using kolvar::Step;

// Scripts that would only take long: a wait beyond a few minutes of game time, or very many
// lines. Their parsing is no different from a shorter script's.
bool tooLong(const std::string& script) {
    std::istringstream lines(script);
    std::string line;
    int count = 0;
    double waited = 0;
    while (std::getline(lines, line)) {
        if (++count > 300) return true;
        std::istringstream words(line);
        std::string cmd, ms;
        words >> cmd >> ms;
        if (cmd == "wait") waited += std::fabs(std::strtod(ms.c_str(), nullptr));
        if (!(waited <= 300000)) return true;
    }
    return false;
}

// Whether a line would take the browser out of the tree. Such a script is refused rather than
// kept in the tree by a step of our own, so that every script plays here as kolvar-replay plays
// it. A drive's root lies outside the tree: no drive is chosen.
bool leavesTree(kt::Program& app, const Step& s) {
    auto* b = app.loaded<kolvar::brow>();
    if ((s.verb != Step::Choose && s.verb != Step::Pick) || !b || s.form != b->className())
        return false;
    if (s.list == "drive") return true;
    if (s.list == "file") return !kolvar::fuzz::inTree(b->File1.Path);
    const int row = s.verb == Step::Choose ? kolvar::rowNamed(b->Dir1, s.text) : s.row;
    return row >= 0 && size_t(row) < b->Dir1.paths.size() &&
           !kolvar::fuzz::inTree(b->Dir1.paths[size_t(row)]);
}

[[noreturn]] void broken(const std::string& script, const std::string& why) {
    std::fprintf(stderr, "script:\n%s\nBROKEN: %s\n", script.c_str(), why.c_str());
    std::abort();
}

void holds(kolvar::InvariantWatch& watch, const std::string& script) {
    const std::vector<std::string> bad = watch.check();
    if (!bad.empty()) broken(script, bad.front());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    // Never destroyed: Qt cannot tear down an application from an exit handler.
    static auto* qapp = new QApplication(*argc, *argv);
    (void)qapp;
    kolvar::fuzz::makeTree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    if (tooLong(script)) return -1; // not added to the corpus
    const kolvar::fuzz::InTree here;
    kt::Program app{kolvar::identity()};
    kolvar::InvariantWatch watch(app);
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
    std::ostringstream out;
    kolvar::Replay replay(app, frontend, out);
    replay.writeFiles = false; // `shot` may name any path
    kolvar::startProgram(app);
    // Read and run a line at a time, as Replay::run does, to check the invariants after each.
    std::istringstream in(script);
    kolvar::LineReader lines(in);
    try {
        while (const std::optional<std::string> line = lines.next()) {
            const std::optional<Step> step = kolvar::parse(*line);
            if (!step) continue;
            if (leavesTree(app, *step)) return -1;
            replay.run(*step);
            holds(watch, script);
        }
    } catch (const std::exception& e) {
        // The message of a line of the script, one line in all: none of its control bytes
        // reaches a terminal.
        const std::string why = e.what();
        size_t count = 1;
        for (char ch : script) count += ch == '\n';
        if (why.empty() || size_t(lines.number()) > count)
            broken(script, "an empty error or one past the end: line " +
                               std::to_string(lines.number()) + ": " + why);
        for (char ch : why)
            if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
                broken(script, "a control byte in the error: " + why);
    }
    holds(watch, script);
    return 0;
}
