// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "recorder.h"

#include "replay.h"
#include "script.h"

#include "toolkit/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <utility>

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

bool writeAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

Recorder::Recorder(kt::Program& app, int script)
    : app_(app)
    , out_(script) {
    app_.watchInput(*this);
    line("# recorded in " + escaped(kt::files::current()));
}

Recorder::~Recorder() {
    app_.unwatchInput(*this);
}

void Recorder::line(const std::string& text) {
    if (!error_.empty()) return;
    // A script's wait holds at most longestWait; a longer pause takes several.
    std::string lines;
    for (; pending_ > 0; pending_ -= std::min(pending_, longestWait))
        lines += "wait " + std::to_string(std::min(pending_, longestWait)) + '\n';
    lines += text + '\n';
    if (!writeAll(out_, lines)) {
        // A full disk or a size limit: the recording ends here, on a whole line, so that what
        // it holds still plays.
        error_ = std::strerror(errno);
        [[maybe_unused]] const int cut = ::ftruncate(out_, written_);
        app_.unwatchInput(*this);
        if (failed) failed();
        return;
    }
    written_ += off_t(lines.size());
}

std::string Recorder::finish() {
    app_.unwatchInput(*this);
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
        line("type " + head + ' ' + escaped(text.substr(old.size())));
    else if (text.size() + 1 == old.size() && old.compare(0, text.size(), text) == 0)
        line("erase " + head);
    else
        line("text " + head + ' ' + escaped(text));
}

void Recorder::choose(kt::Widget& list, int row) {
    const auto& entries = kt::asList(std::as_const(list))->entries;
    const std::string head = formOf(list) + ' ' + listWord(list) + ' ';
    if (row < 0 || size_t(row) >= entries.size()) return; // no row: the list does nothing
    // By name where the name reads back as this very row; by number where it would not (a name
    // shown twice, blanks in front).
    const std::string& name = entries[size_t(row)];
    if (!name.empty() && name.front() != ' ' && name.front() != '\t' && rowNamed(list, name) == row)
        line("choose " + head + escaped(name));
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
