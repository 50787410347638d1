// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// What the bench programs report about themselves: a monotonic clock shared by every process (so a
// parent can time a child's launch), the peak resident set, the CPU time used, and a watcher that
// notices when a window has finished its first paint.

#include <QEvent>
#include <QFile>
#include <QObject>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sys/resource.h>

namespace kbench {

/// CLOCK_MONOTONIC in nanoseconds: the same clock in every process of the machine.
inline int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

/// Peak resident set size of this process so far (VmHWM), kB; -1 when unknown.
inline long peakRssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

/// User plus system CPU time of this process, milliseconds.
inline double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (double(u.ru_utime.tv_sec) + double(u.ru_stime.tv_sec)) * 1e3 +
           (double(u.ru_utime.tv_usec) + double(u.ru_stime.tv_usec)) / 1e3;
}

/// One "key value" line on standard output, read by the bench runner.
inline void report(const char* key, double value) {
    std::printf("%s %.6f\n", key, value);
    std::fflush(stdout);
}

/// Calls `done` once, after the first paint of `window` and its children has been handled: the
/// paint event is seen here, and the call is queued behind the rest of that repaint.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget* window, std::function<void()> done)
        : done_(std::move(done)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { done_(); });
        }
        return false;
    }

private:
    std::function<void()> done_;
    bool seen_ = false;
};

/// The least a window can be: 794 x 642, opaque, painting white. The floors are made of it.
class BareWindow : public QWidget {
public:
    BareWindow() {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(794, 642);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        p.fillRect(e->rect(), Qt::white);
    }
};

} // namespace kbench
