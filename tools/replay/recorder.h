// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A session written down as it is played: every input the game takes becomes a script line,
// preceded by a `wait` for the game time since the line before, so that kolvar-replay plays the
// same session again headless and ends in the same state.

#include "toolkit/program.h"

#include <cstdio>
#include <string>

namespace kolvar {

class Recorder : public kt::InputObserver {
public:
    /// Observes `app` from here on and writes to `script`, flushing line by line, so a session
    /// cut short keeps every line written before.
    Recorder(kt::Program& app, std::FILE* script);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    /// Writes the time left since the last line and a closing `dump`; returns the dump's JSON.
    std::string finish();

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
    std::FILE* out_;
    int64_t pending_ = 0; ///< game ms since the last line
};

} // namespace kolvar
