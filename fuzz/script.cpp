// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to kolvar-replay's interpreter as a script, against the real program with
// its Qt views on the offscreen platform. A script either runs to its end (status 0, nothing on
// the error stream) or stops at its first bad line with "line N: why" and status 2, its bytes
// shown escaped; it never crashes, and the program's invariants hold afterwards.

#include "battle/invariants.h"
#include "shell/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "tools/replay/replay.h"

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

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

[[noreturn]] void broken(const std::string& script, const std::string& why) {
    std::fprintf(stderr, "script:\n%s\nBROKEN: %s\n", script.c_str(), why.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    // Never destroyed: Qt cannot tear down an application from an exit handler.
    static auto* qapp = new QApplication(*argc, *argv);
    (void)qapp;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    if (tooLong(script)) return -1; // not added to the corpus
    kt::Program app{kolvar::identity()};
    kolvar::InvariantWatch watch(app);
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
    std::ostringstream out, err;
    kolvar::Replay replay(app, frontend, out);
    replay.writeFiles = false; // `shot` may name any path
    kolvar::startProgram(app);
    std::istringstream lines(script);
    const int status = replay.run(lines, err);
    const std::string e = err.str();
    if (status == 0 && !e.empty()) broken(script, "status 0 with an error: " + e);
    if (status == 2) {
        // "line N: why", N a line of the script, one line in all.
        unsigned long n = 0;
        char rest = 0;
        if (std::sscanf(e.c_str(), "line %lu: %c", &n, &rest) != 2 || n == 0 || e.back() != '\n' ||
            e.find('\n') != e.size() - 1)
            broken(script, "a malformed error: " + e);
        size_t lines = 1;
        for (char ch : script) lines += ch == '\n';
        if (n > lines) broken(script, "an error on a line past the end: " + e);
        // Whatever the script holds, the message sends none of its control bytes to a terminal.
        for (size_t i = 0; i + 1 < e.size(); ++i)
            if (static_cast<unsigned char>(e[i]) < 0x20 || e[i] == 0x7f)
                broken(script, "a control byte in the error: " + e);
    }
    if (status != 0 && status != 2) broken(script, "status " + std::to_string(status));
    const std::vector<std::string> bad = watch.check();
    if (!bad.empty()) broken(script, bad.front());
    return 0;
}
