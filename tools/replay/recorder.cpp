// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recorder.h"

#include "replay.h"
#include "script.h"

#include <algorithm>
#include <cstdio>

namespace kolvar {

namespace {

/// A coordinate that reads back as the same float.
std::string num(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", double(v));
    return buf;
}

std::string formOf(const kt::Widget& w) {
    return w.form ? w.form->className() : "?";
}

const char* listWord(const kt::Widget& w) {
    return w.kind == kt::Kind::DriveList ? "drive" : w.kind == kt::Kind::DirList ? "dir" : "file";
}

} // namespace

Recorder::Recorder(kt::Program& app, std::FILE* script)
    : app_(app)
    , out_(script) {
    app_.observer = this;
}

Recorder::~Recorder() {
    if (app_.observer == this) app_.observer = nullptr;
}

void Recorder::line(const std::string& text) {
    // A script's wait holds at most longestWait; a longer pause takes several.
    while (pending_ > 0) {
        const int64_t ms = std::min(pending_, longestWait);
        std::fprintf(out_, "wait %lld\n", static_cast<long long>(ms));
        pending_ -= ms;
    }
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

std::string Recorder::finish() {
    if (app_.observer == this) app_.observer = nullptr;
    line("dump");
    return dump(app_);
}

void Recorder::mouseDown(kt::Form& f, float x, float y, int button, int shift) {
    line("mousedown " + std::string(f.className()) + ' ' + num(x) + ' ' + num(y) + ' ' +
         std::to_string(button) + ' ' + std::to_string(shift));
}

void Recorder::mouseDownOn(kt::Widget& w, int button, int shift, float x, float y) {
    line("down " + formOf(w) + ' ' + w.key() + ' ' + std::to_string(button) + ' ' +
         std::to_string(shift) + ' ' + num(x) + ' ' + num(y));
}

void Recorder::click(kt::Widget& w) {
    line("click " + formOf(w) + ' ' + w.key());
}

void Recorder::keyPress(kt::Form& f, int code) {
    line("key " + std::string(f.className()) + ' ' + std::to_string(code));
}

void Recorder::setText(kt::TextBox& box, const std::string& text) {
    const std::string& old = box.text();
    const std::string head = formOf(box) + ' ' + box.key();
    // What typing does, written as typing: one more character, or the last one deleted. A blank
    // typed stays visible as part of a whole text.
    if (text.size() == old.size() + 1 && text.compare(0, old.size(), old) == 0 && text.back() > ' ')
        line("type " + head + ' ' + text.back());
    else if (text.size() + 1 == old.size() && old.compare(0, text.size(), text) == 0)
        line("erase " + head);
    else
        line("text " + head + ' ' + text);
}

void Recorder::choose(kt::Widget& list, int row) {
    const auto& entries = dynamic_cast<const kt::ListBase&>(list).entries;
    const std::string head = formOf(list) + ' ' + listWord(list) + ' ';
    if (row < 0 || size_t(row) >= entries.size()) return; // no row: the list does nothing
    // By name where the name reads back as this very row; by number where it would not (a name
    // shown twice, blanks in front, a line break).
    const std::string& name = entries[size_t(row)];
    if (!name.empty() && name.front() != ' ' && name.front() != '\t' &&
        name.find_first_of("\r\n") == std::string::npos && rowNamed(list, name) == row)
        line("choose " + head + name);
    else
        line("pick " + head + std::to_string(row));
}

void Recorder::focus(kt::Widget& w) {
    line("focus " + formOf(w) + ' ' + w.key());
}

void Recorder::closeBox(kt::Form& f) {
    line("close " + std::string(f.className()));
}

void Recorder::advanced(int64_t ms, bool skipped) {
    if (!skipped) {
        pending_ += ms;
        return;
    }
    // A late real-time clock skipped ticks: a plain wait would fire them all.
    line("catchup " + std::to_string(ms));
}

} // namespace kolvar
