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
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* usage = "usage: kolvar-replay [SCRIPT]\n"
                              "       kolvar-replay --record FILE\n"
                              "       kolvar-replay --watch SCRIPT [--speed X]\n"
                              "       kolvar-replay --help\n";

/// One line on standard error and status 2: `why`, then `shown`, a message escaped already. What
/// they quote (a file name, a script's words) may hold any bytes: they are shown escaped, never
/// sent to the terminal.
int refuse(const std::string& why, const std::string& shown = {}, bool withUsage = false) {
    std::cerr << "kolvar-replay: " << kolvar::escaped(why) << shown << '\n'
              << (withUsage ? usage : "");
    return 2;
}

/// Opens the script at `path`; empty, or why it cannot be played. A folder opens as a file does
/// and reads as nothing: it would play nothing and claim success.
std::string open(const std::string& path, std::ifstream& in) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) return path + " is a folder, not a script";
    in.open(path, std::ios::binary);
    if (!in) return "cannot read " + path + ": " + std::strerror(errno);
    return {};
}

int headless(int argc, char** argv, const std::string* script) {
    std::ifstream file;
    if (script)
        if (const std::string why = open(*script, file); !why.empty()) return refuse(why);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::Scripted);
    kolvar::Replay replay(app, frontend, std::cout);
    kolvar::startProgram(app);
    return replay.run(script ? file : std::cin, std::cerr);
}

// SIGINT, SIGTERM and SIGHUP (the terminal closed) end a recording as "esci" would: the handler
// only wakes the event loop, which stops the program between two events and writes the closing
// state.
int wake[2] = {-1, -1};
void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake[1], &byte, 1);
}

std::string exists(const std::string& path) {
    return path + " exists: a recording writes only new files";
}

int record(int argc, char** argv, const std::string& file) {
    const std::string json = file + ".json";
    // A file size limit fails a write, which ends the recording with its reason, rather than
    // killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // A recording never writes over a file, nor through a link: a report made before, or a file
    // another recording holds, stays as it is. Whether the folder takes new files is asked
    // without making any, so that a run without a display leaves nothing behind.
    struct stat st {};
    for (const std::string& path : {file, json})
        if (::lstat(path.c_str(), &st) == 0) return refuse(exists(path));
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS))
        return refuse("cannot write " + file + ": " + std::strerror(errno));
    const auto qapp = kolvar::openDisplay("kolvar-replay", argc, argv);
    // Made only now, and only if nothing has taken the name meanwhile: two recordings started at
    // once into one file cannot both have it.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    const int script = ::open(file.c_str(), flags, 0644);
    if (script < 0)
        return refuse(errno == EEXIST ? exists(file)
                                      : "cannot write " + file + ": " + std::strerror(errno));
    kt::Program app{kolvar::identity()};
    ktqt::Frontend frontend(app, ktqt::Frontend::Mode::RealTime);
    kolvar::Recorder recorder(app, script);
    recorder.failed = [&] { frontend.stop(); };
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
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    if (recorder.error().empty()) {
        kolvar::start(app, frontend);
        QApplication::exec();
    }
    // The closing state is written when the program ends, and only then: a recording cut short
    // (the display gone, a write failed) leaves no state that would claim to be its end.
    const std::string end = recorder.finish() + '\n';
    const bool closed = ::close(script) == 0;
    if (!recorder.error().empty()) return refuse("cannot write " + file + ": " + recorder.error());
    if (!closed) return refuse("cannot write " + file + ": " + std::strerror(errno));
    const int state = ::open(json.c_str(), flags, 0644);
    if (state < 0)
        return refuse(errno == EEXIST ? exists(json)
                                      : "cannot write " + json + ": " + std::strerror(errno));
    const bool written = kolvar::writeAll(state, end);
    const int why = errno;
    if (::close(state) == 0 && written) return 0;
    ::unlink(json.c_str()); // made by this recording, and a part of a state claims nothing
    return refuse("cannot write " + json + ": " + std::strerror(written ? errno : why));
}

int watch(int argc, char** argv, const std::string& file, double speed) {
    std::ifstream in;
    if (const std::string why = open(file, in); !why.empty()) return refuse(why);
    std::vector<kolvar::NumberedStep> steps;
    kolvar::LineReader lines(in);
    try {
        while (const std::optional<std::string> line = lines.next())
            if (const auto s = kolvar::parse(*line)) steps.push_back({lines.number(), *s});
    } catch (const std::exception& e) {
        return refuse(file + " line " + std::to_string(lines.number()) + ": ", e.what());
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

/// The speed --speed names, or 0 when it names none the watcher takes.
double speedOf(const std::string& text) {
    size_t used = 0;
    double speed = 0;
    try {
        speed = std::stod(text, &used);
    } catch (const std::exception&) {
        return 0;
    }
    return used == text.size() && speed >= 0.01 && speed <= 1000 ? speed : 0;
}

} // namespace

int main(int argc, char** argv) {
    // The arguments as bytes, each one a Latin-1 character: a file name need not be UTF-8, and
    // every option's name is ASCII.
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLatin1(argv[i]);
    const auto bytes = [](const QString& s) { return s.toLatin1().toStdString(); };
    QCommandLineParser parser;
    const QCommandLineOption recordOption("record", "", "FILE"), watchOption("watch", "", "SCRIPT"),
        speedOption("speed", "", "X"), helpOption("help");
    parser.addOptions({recordOption, watchOption, speedOption, helpOption});
    if (!parser.parse(args)) return refuse(bytes(parser.errorText()), {}, true);
    const QStringList scripts = parser.positionalArguments();
    // How often an option is given: a value each time, a flag at least once.
    const auto given = [&](const QCommandLineOption& o) {
        return std::max(int(parser.values(o).size()), int(parser.isSet(o)));
    };
    const int modes = given(recordOption) + given(watchOption) + given(helpOption);
    if (modes > 1 || (modes == 1 && !scripts.isEmpty()) || scripts.size() > 1 ||
        given(speedOption) > given(watchOption))
        return refuse("these arguments go together in none of its uses", {}, true);
    if (parser.isSet(helpOption)) {
        std::cout << usage << "\nScript lines (# starts a comment):\n" << kolvar::commands();
        return 0;
    }
    if (parser.isSet(recordOption)) return record(argc, argv, bytes(parser.value(recordOption)));
    if (parser.isSet(watchOption)) {
        const double x = parser.isSet(speedOption) ? speedOf(bytes(parser.value(speedOption))) : 1;
        if (x == 0)
            return refuse("--speed takes a number from 0.01 to 1000, not '" +
                          bytes(parser.value(speedOption)) + "'");
        return watch(argc, argv, bytes(parser.value(watchOption)), x);
    }
    if (scripts.isEmpty()) return headless(argc, argv, nullptr);
    const std::string script = bytes(scripts[0]);
    return headless(argc, argv, &script);
}
