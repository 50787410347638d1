// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Real time for the real game: a stopwatch that stands still under message boxes, and the driver
// that advances the program's virtual clock by it.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

namespace kt {
class Program;
}

namespace ktqt {

/// Real milliseconds since it was made, less those spent under message boxes: the game's time
/// does not pass while a box waits for the player.
class RealTime {
public:
    RealTime() { watch_.start(); }
    int64_t elapsed() const { return watch_.elapsed() - paused_; }
    /// Leaves out of elapsed() the time from now until the returned guard goes.
    class Pause {
    public:
        explicit Pause(RealTime& time)
            : time_(time) {
            open_.start();
        }
        ~Pause() { time_.paused_ += open_.elapsed(); }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        RealTime& time_;
        QElapsedTimer open_;
    };

private:
    QElapsedTimer watch_;
    int64_t paused_ = 0;
};

/// Advances a program's clock to real time: one timer, armed for the clock's next due tick, fires
/// and advances by all the real time that has passed since. The clock may run behind real time
/// while handlers work, never ahead; a late advance coalesces as a late timer does.
class ClockDriver : public QObject {
public:
    ClockDriver(kt::Program& app, const RealTime& time);
    /// Arms the timer for the clock's next due tick; after every sync, and when a box closes.
    void arm();
    /// Stops the timer until the next arm().
    void stop() { timer_.stop(); }

private:
    void fire();
    kt::Program& app_;
    const RealTime& time_;
    QTimer timer_;
};

} // namespace ktqt
