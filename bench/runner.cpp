// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// kolvar-bench: runs every benchmark against its floor, interleaved in the same run so that a busy
// machine slows both alike, and reports each metric as a ratio of medians.
//
//   kolvar-bench --bin DIR [--out FILE] [--png DIR] [--runs N] [--cpu-seconds S]
//                [--clock-seconds S] [--smoke] [--only GROUP]
//
// DIR holds the bench executables. The launch, battle and clock measurements need a display
// (scripts/bench starts Xvfb); the frame and model benchmarks draw offscreen. --smoke runs each
// measurement once, briefly, and fails only when a program fails: the numbers are not judged.
// --only runs one group of measurements (model, frame, launch, cpu or clock), for a quick look
// while working on one of them; it may be given more than once.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Options {
    std::string bin, out, png, cwd;
    int runs = 11;
    double cpuSeconds = 30, clockSeconds = 60;
    bool smoke = false;
    std::vector<std::string> only; ///< empty: every group
    bool wants(const std::string& group) const {
        return only.empty() || std::find(only.begin(), only.end(), group) != only.end();
    }
};
Options opt;

int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

/// What a child printed, "key value" per line; a key may repeat.
struct Output {
    int64_t startNs = 0; ///< just before the child was spawned
    std::multimap<std::string, double> values;
    std::string text;
    double get(const std::string& key) const {
        auto it = values.find(key);
        if (it == values.end()) throw std::runtime_error("no '" + key + "' in:\n" + text);
        return it->second;
    }
    std::vector<double> all(const std::string& key) const {
        std::vector<double> v;
        for (auto [it, end] = values.equal_range(key); it != end; ++it) v.push_back(it->second);
        return v;
    }
};

/// Runs a bench program from DIR with `args`, in the scratch folder, and collects its output.
Output run(const std::string& program, const std::vector<std::string>& args) {
    const std::string path = opt.bin + "/" + program;
    std::vector<std::string> words{path};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    int pipeFd[2];
    if (pipe(pipeFd) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFd[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFd[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFd[1]);
    posix_spawn_file_actions_addchdir_np(&actions, opt.cwd.c_str());
    Output out;
    pid_t pid = 0;
    out.startNs = monotonicNs();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFd[1]);
    if (spawned != 0) {
        close(pipeFd[0]);
        throw std::runtime_error("cannot start " + path + ": " + std::strerror(spawned));
    }
    char buf[4096];
    for (ssize_t n; (n = read(pipeFd[0], buf, sizeof buf)) > 0;) out.text.append(buf, size_t(n));
    close(pipeFd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " failed (status " + std::to_string(status) +
                                 "); it printed:\n" + out.text);
    for (const QString& line : QString::fromStdString(out.text).split('\n')) {
        const QStringList kv = line.split(' ', Qt::SkipEmptyParts);
        bool ok = false;
        const double v = kv.size() == 2 ? kv[1].toDouble(&ok) : 0;
        if (ok) out.values.emplace(kv[0].toStdString(), v);
    }
    return out;
}

/// A process that keeps one core busy until it is stopped.
struct BusyCore {
    pid_t pid = fork();
    BusyCore() {
        if (pid == 0) {
            volatile unsigned long spin = 0;
            for (;;) spin = spin + 1;
        }
    }
    ~BusyCore() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

struct Stats {
    double median = 0, min = 0, max = 0;
    int n = 0;
};
Stats stats(std::vector<double> v) {
    if (v.empty()) throw std::runtime_error("no samples");
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back(), int(n)};
}

struct Metric {
    std::string name, unit, versus, note;
    Stats value;
    double floor = 0;    ///< the floor's median, same unit (an absolute target's limit)
    double ratio = 0;    ///< what the target bounds
    double target = 0;   ///< bound of the ratio
    bool higher = false; ///< the ratio must reach the target rather than stay under it
    bool met() const { return higher ? ratio >= target : ratio <= target; }
};
std::vector<Metric> metrics;

void add(Metric m) {
    std::printf("  %-58s %9.3f %s (floor %.3f)\n", m.name.c_str(), m.value.median, m.unit.c_str(),
                m.floor);
    std::fflush(stdout);
    metrics.push_back(std::move(m));
}

Metric versusFloor(std::string name, std::string unit, const std::vector<double>& mine,
                   const std::vector<double>& floor, double target, std::string versus) {
    Metric m;
    m.name = std::move(name), m.unit = std::move(unit), m.versus = std::move(versus);
    m.value = stats(mine);
    m.floor = stats(floor).median;
    m.ratio = m.value.median / m.floor;
    m.target = target;
    return m;
}

Metric absolute(std::string name, std::string unit, const std::vector<double>& mine, double limit) {
    Metric m;
    m.name = std::move(name), m.unit = std::move(unit);
    m.versus = "limit " + QString::number(limit).toStdString() + " " + m.unit;
    m.value = stats(mine);
    m.floor = limit;
    m.ratio = m.value.median / limit;
    m.target = 1;
    return m;
}

// ---- The measurements ----

void launches() {
    std::vector<double> menu, floor, menuRss, floorRss, gioca, bare;
    for (int r = 0; r < opt.runs; ++r) {
        // Interleaved, and alternately first, so neither gains from a warm cache.
        for (int k = 0; k < 2; ++k) {
            if ((r + k) % 2 == 0) {
                const Output o = run("kolvar-bench-launch", {"menu"});
                menu.push_back(double(int64_t(o.get("painted_ns")) - o.startNs) / 1e6);
                menuRss.push_back(o.get("peak_rss_kb") / 1024);
            } else {
                const Output o = run("kolvar-floor-window", {});
                floor.push_back(double(int64_t(o.get("painted_ns")) - o.startNs) / 1e6);
                floorRss.push_back(o.get("peak_rss_kb") / 1024);
            }
        }
        const Output o = run("kolvar-bench-launch", {"gioca", std::to_string(r % 2)});
        gioca.push_back(o.get("gioca_ms"));
        bare.push_back(o.get("bare_ms"));
    }
    add(versusFloor("launch -> first painted start menu", "ms", menu, floor, 1.3,
                    "bare window launch"));
    add(versusFloor("peak RSS with the start menu shown", "MiB", menuRss, floorRss, 1.3,
                    "bare window"));
    add(versusFloor("\"gioca\" -> first painted battlefield", "ms", gioca, bare, 1.5,
                    "bare 794x642 window, same process"));
}

void battleCpu() {
    std::vector<double> game, floor;
    const std::string s = QString::number(opt.cpuSeconds).toStdString();
    for (int r = 0; r < opt.runs; ++r)
        for (int k = 0; k < 2; ++k) {
            if ((r + k) % 2 == 0)
                game.push_back(run("kolvar-bench-launch", {"cpu", s}).get("cpu_ms"));
            else
                floor.push_back(run("kolvar-floor-timers", {s}).get("cpu_ms"));
        }
    add(versusFloor("CPU of a running battle, " + s + " s, nothing pressed", "ms", game, floor, 0.5,
                    "bare three-timer window"));
}

void clockFidelity() {
    const std::string s = QString::number(opt.clockSeconds).toStdString();
    Output o;
    {
        BusyCore busy;
        o = run("kolvar-bench-launch", {"clock", s});
    }
    const double nominal = o.get("nominal"), windowNominal = o.get("window_nominal");
    std::vector<double> windows;
    for (double n : o.all("window_ticks")) windows.push_back(100 * n / windowNominal);
    if (windows.empty()) windows.push_back(100 * o.get("ticks") / nominal); // a run under 5 s
    Metric m;
    m.name = "clock fidelity: Timer2 ticks over " + s + " s, one core busy";
    m.unit = "%";
    m.versus = "nominal, per 5 s window";
    m.value = stats(windows);
    m.floor = 100;
    m.ratio = o.get("ticks") / nominal;
    m.target = 0.995;
    m.higher = true;
    m.note = QString("%1 of %2 ticks").arg(o.get("ticks")).arg(nominal).toStdString();
    add(m);
    Metric d;
    d.name = "clock drift over " + s + " s (lateness, last tick - first)";
    d.unit = "ms";
    d.versus = "one tick (100 ms)";
    const double drift = o.get("last_late_ms") - o.get("first_late_ms");
    d.value = {drift, o.get("first_late_ms"), o.get("worst_late_ms"), 1};
    d.floor = 100;
    d.ratio = std::abs(drift) / 100;
    d.target = 0.05;
    d.note = "min: first tick's lateness, max: worst";
    add(d);
}

/// Runs a Google Benchmark program, its benchmarks interleaved at random across repetitions, and
/// returns every repetition's CPU time by benchmark name.
std::map<std::string, std::vector<double>> googleBenchmark(const std::string& program,
                                                           std::vector<std::string> extra) {
    std::vector<std::string> args{"--benchmark_format=json"};
    if (opt.smoke) {
        args.push_back("--benchmark_min_time=0");
    } else {
        args.push_back("--benchmark_repetitions=" + std::to_string(opt.runs));
        args.push_back("--benchmark_enable_random_interleaving=true");
        args.push_back("--benchmark_min_time=0.2");
    }
    args.insert(args.end(), extra.begin(), extra.end());
    const Output o = run(program, args);
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(o.text));
    std::map<std::string, std::vector<double>> times;
    for (const auto& b : doc.object()["benchmarks"].toArray()) {
        const QJsonObject r = b.toObject();
        if (r["run_type"].toString() != "iteration") continue;
        if (r.contains("error_occurred") && r["error_occurred"].toBool())
            throw std::runtime_error(program + ": " + r["name"].toString().toStdString() + ": " +
                                     r["error_message"].toString().toStdString());
        times[r["run_name"].toString().toStdString()].push_back(r["cpu_time"].toDouble());
    }
    if (times.empty()) throw std::runtime_error(program + " reported nothing:\n" + o.text);
    return times;
}

void frames() {
    std::vector<std::string> extra;
    if (!opt.png.empty()) extra.push_back("--png=" + opt.png);
    auto t = googleBenchmark("kolvar-bench-frame", extra);
    add(versusFloor("full battlefield frame into a QImage, 1x", "us", t.at("FullFrame/1"),
                    t.at("BackgroundBlit"), 4, "background-only JPEG blit"));
    add(versusFloor("full battlefield frame, device pixel ratio 2", "us", t.at("FullFrame/2"),
                    t.at("FullFrame/1"), 3, "the 1x frame"));
}

void model() {
    auto t = googleBenchmark("kolvar-bench-model", {});
    add(absolute("Timer2_Timer with 80 walking units", "us", t.at("Timer2_80Walking"), 5));
    add(absolute("raid: 51 marching enemies aiming at 81 units", "us", t.at("Raid_51x81"), 10));
    add(absolute("scripted 10-minute battle, headless, model only", "ms", t.at("ScriptedBattle"),
                 50));
}

// ---- Report ----

void table() {
    std::printf("\n%-7s %-8s %-4s %-58s %12s %21s %10s  %s\n", "ratio", "target", "met", "metric",
                "median", "min - max", "floor", "versus");
    for (const Metric& m : metrics) {
        const std::string target =
            (m.higher ? ">= " : "<= ") + QString::number(m.target).toStdString();
        std::printf("%-7.3f %-8s %-4s %-58s %9.3f %-2s %9.3f - %-9.3f %10.3f  %s%s%s\n", m.ratio,
                    target.c_str(), m.met() ? "yes" : "NO", m.name.c_str(), m.value.median,
                    m.unit.c_str(), m.value.min, m.value.max, m.floor, m.versus.c_str(),
                    m.note.empty() ? "" : "; ", m.note.c_str());
    }
}

void writeJson() {
    QJsonArray all;
    for (const Metric& m : metrics) {
        QJsonObject o;
        o["name"] = QString::fromStdString(m.name);
        o["median"] = m.value.median;
        o["min"] = m.value.min;
        o["max"] = m.value.max;
        o["runs"] = m.value.n;
        o["unit"] = QString::fromStdString(m.unit);
        o["floor"] = m.floor;
        o["versus"] = QString::fromStdString(m.versus);
        o["ratio"] = m.ratio;
        o["target"] = m.target;
        o["target_is"] = m.higher ? "at least" : "at most";
        o["met"] = m.met();
        if (!m.note.empty()) o["note"] = QString::fromStdString(m.note);
        all.append(o);
    }
    QFile f(QString::fromStdString(opt.out));
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + opt.out);
    f.write(QJsonDocument(all).toJson());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Runs every benchmark against its floor and prints the table.");
    parser.addHelpOption();
    const QCommandLineOption bin("bin", "The folder of the benchmark programs.", "DIR");
    const QCommandLineOption out("out", "Writes the table as JSON to FILE.", "FILE");
    const QCommandLineOption png("png", "Saves the frame benchmark's pictures in DIR.", "DIR");
    const QCommandLineOption runs("runs", "Runs of each measurement and of its floor.", "N",
                                  QString::number(opt.runs));
    const QCommandLineOption cpu("cpu-seconds", "Length of each battle CPU run.", "S",
                                 QString::number(opt.cpuSeconds));
    const QCommandLineOption clock("clock-seconds", "Length of the clock fidelity run.", "S",
                                   QString::number(opt.clockSeconds));
    const QCommandLineOption smoke("smoke", "Every measurement once, briefly, not judged.");
    const QCommandLineOption only("only", "One group: model, frame, launch, cpu or clock.",
                                  "GROUP");
    parser.addOptions({bin, out, png, runs, cpu, clock, smoke, only});
    parser.process(qapp);
    bool counted = true, timed = true, clocked = true;
    opt.bin = parser.value(bin).toStdString();
    opt.out = parser.value(out).toStdString();
    opt.png = parser.value(png).toStdString();
    opt.runs = parser.value(runs).toInt(&counted);
    opt.cpuSeconds = parser.value(cpu).toDouble(&timed);
    opt.clockSeconds = parser.value(clock).toDouble(&clocked);
    opt.smoke = parser.isSet(smoke);
    for (const QString& g : parser.values(only)) opt.only.push_back(g.toStdString());
    const auto known = [](const std::string& g) {
        return g == "model" || g == "frame" || g == "launch" || g == "cpu" || g == "clock";
    };
    if (opt.bin.empty() || !counted || opt.runs < 1 || !timed || !clocked ||
        !std::all_of(opt.only.begin(), opt.only.end(), known)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }
    opt.bin = QDir(QString::fromStdString(opt.bin)).absolutePath().toStdString();
    if (opt.smoke)
        opt.runs = 1, opt.cpuSeconds = std::min(opt.cpuSeconds, 1.0),
        opt.clockSeconds = std::min(opt.clockSeconds, 1.0);
    // The game lists the folder it starts in: an empty one, the same every run.
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 1;
    opt.cwd = scratch.path().toStdString();
    try {
        std::printf("Kolvar benchmarks: %d run(s) each, battle %.0f s, clock %.0f s\n", opt.runs,
                    opt.cpuSeconds, opt.clockSeconds);
        if (opt.wants("model")) model();
        if (opt.wants("frame")) frames();
        if (opt.wants("launch")) launches();
        if (opt.wants("cpu")) battleCpu();
        if (opt.wants("clock")) clockFidelity();
        table();
        if (!opt.out.empty()) writeJson();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kolvar-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
