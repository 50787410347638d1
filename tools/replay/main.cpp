// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// kolvar-replay: plays scripts against the real program headless, records a session played on
// the real display as a script, and plays a script on the real display for a person to watch.

#include "recorder.h"
#include "replay.h"
#include "watch.h"

#include "app/display.h"
#include "app/identity.h"
#include "shell/identity.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr const char* usage = "usage: kolvar-replay [SCRIPT]\n"
                              "       kolvar-replay --record FILE\n"
                              "       kolvar-replay --watch SCRIPT [--speed X]\n"
                              "       kolvar-replay --help\n";

int refuse(const std::string& why) {
    std::cerr << "kolvar-replay: " << why << '\n';
    return 2;
}

int headless(int argc, char** argv, const char* script) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
    kolvar::Replay replay(app, frontend, std::cout);
    std::ifstream file;
    if (script) {
        file.open(script);
        if (!file) return refuse(std::string("cannot read ") + script);
    }
    kolvar::startProgram(app);
    return replay.run(script ? file : std::cin, std::cerr);
}

// SIGINT and SIGTERM end a recording as "esci" would: the handler only wakes the event loop,
// which stops the program between two events and writes the closing state.
int wake[2] = {-1, -1};
void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake[1], &byte, 1);
}

int record(int argc, char** argv, const std::string& file) {
    const std::string json = file + ".json";
    std::FILE* script = std::fopen(file.c_str(), "w");
    if (!script) return refuse("cannot write " + file + ": " + std::strerror(errno));
    // The closing state is written when the program ends, and only then: a recording cut short
    // (the display gone) leaves no state that would claim to be its end. Whether it can be
    // written is known now.
    std::FILE* state = std::fopen(json.c_str(), "w");
    if (!state) {
        std::fclose(script);
        return refuse("cannot write " + json + ": " + std::strerror(errno));
    }
    std::fclose(state);
    std::remove(json.c_str());
    const auto qapp = kolvar::openDisplay("kolvar-replay", argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::Recorder recorder(app, script);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wake) != 0) return refuse("cannot watch for signals");
    QSocketNotifier notifier(wake[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        notifier.setEnabled(false);
        frontend.stop();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    kolvar::start(app, frontend);
    QApplication::exec();
    const std::string end = recorder.finish();
    state = std::fopen(json.c_str(), "w");
    const bool written = state && std::fprintf(state, "%s\n", end.c_str()) > 0 &&
                         std::fclose(state) == 0 && std::fclose(script) == 0;
    return written ? 0 : refuse("cannot finish writing " + file);
}

int watch(int argc, char** argv, const std::string& file, double speed) {
    std::ifstream in(file);
    if (!in) return refuse("cannot read " + file);
    std::vector<kolvar::NumberedStep> steps;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        try {
            if (const auto s = kolvar::parse(line)) steps.push_back({number, *s});
        } catch (const std::exception& e) {
            return refuse(file + " line " + std::to_string(number) + ": " + e.what());
        }
    }
    const auto qapp = kolvar::openDisplay("kolvar-replay", argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Watched);
    kolvar::Replay replay(app, frontend, std::cout);
    kolvar::start(app, frontend);
    kolvar::Watch watcher(app, frontend, replay, std::move(steps), speed);
    watcher.start();
    const int status = QApplication::exec();
    return watcher.status() ? watcher.status() : status;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << usage << "\nScript lines (# starts a comment):\n" << kolvar::commands();
        return 0;
    }
    if (args.size() == 2 && args[0] == "--record") return record(argc, argv, args[1]);
    if ((args.size() == 2 || args.size() == 4) && args[0] == "--watch") {
        double speed = 1;
        if (args.size() == 4) {
            if (args[2] != "--speed") return refuse("unknown option " + args[2] + "\n" + usage);
            size_t used = 0;
            try {
                speed = std::stod(args[3], &used);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != args[3].size() || !(speed >= 0.01 && speed <= 1000))
                return refuse("--speed takes a number from 0.01 to 1000, not '" + args[3] + "'");
        }
        return watch(argc, argv, args[1], speed);
    }
    if (args.size() > 1 || (args.size() == 1 && args[0].rfind("--", 0) == 0)) {
        std::cerr << usage;
        return 2;
    }
    return headless(argc, argv, args.empty() ? nullptr : argv[1]);
}
