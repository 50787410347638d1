// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A session written down as it is played: every input the game takes becomes a script line,
// preceded by a `wait` for the game time since the line before, so that kolvar-replay plays the
// same session again headless and ends in the same state.

#include "toolkit/program.h"

#include <sys/types.h>

#include <functional>
#include <string>

namespace kolvar {

class Recorder : public kt::InputObserver {
public:
    /// Observes `app` from here on and writes to the file open as `script`, a line at a time
    /// straight to the file, so a session cut short keeps every line written before. The first
    /// line is a comment naming the current folder, where the browser's lists start.
    Recorder(kt::Program& app, int script);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /// Writes the time left since the last line and a closing `dump`; returns the dump's JSON.
    std::string finish();

    /// Empty while every line went to the file; else why the first write that failed did. The
    /// recording stops there, keeping the whole lines before it, and calls `failed` once.
    const std::string& error() const { return error_; }
    std::function<void()> failed;

    void mouseDown(kt::Form& f, float x, float y, int button, int shift) override;
    void mouseDownOn(kt::Widget& w, int button, int shift, float x, float y) override;
    void click(kt::Widget& w) override;
    void keyPress(kt::Form& f, int code) override;
    void setText(kt::TextBox& box, const std::string& text) override;
    void choose(kt::Widget& list, int row) override;
    void focus(kt::Widget& w) override;
    void closeBox(kt::Form& f) override;
    void advanced(int64_t ms, bool skipped) override;

private:
    /// Writes the pending wait, then `text` as a line.
    void line(const std::string& text);

    kt::Program& app_;
    int out_;
    off_t written_ = 0;   ///< bytes of whole lines in the file
    int64_t pending_ = 0; ///< game ms since the last line
    std::string error_;
};

/// Writes all of `bytes` to the file open as `fd`, again after a short write; false, with errno
/// saying why, when a write fails.
bool writeAll(int fd, const std::string& bytes);

} // namespace kolvar
