// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "replay.h"

#include "battle/invariants.h"

#include "shell/frmsplash.h"
#include "toolkit/describe.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "toolkit/qt/view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QJsonDocument>
#include <QPixmap>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <unistd.h>

namespace kolvar {

namespace {

kt::Form& form(kt::Program& app, const std::string& name) {
    kt::Form* f = app.formByName(name);
    if (!f) fail("window " + name + " does not exist");
    return *f;
}

kt::Widget& widget(kt::Form& f, const std::string& key) {
    kt::Widget* w = f.find(key);
    if (!w) fail(std::string(f.className()) + " has no widget " + key);
    return *w;
}

kt::TextBox& textBox(kt::Form& f, const std::string& key) {
    auto* box = kt::as<kt::TextBox>(&widget(f, key));
    if (!box) fail(key + " is not a text box");
    return *box;
}

kt::Widget& list(kt::Form& f, const std::string& which) {
    const kt::Kind kind = which == "drive" ? kt::Kind::DriveList
                          : which == "dir" ? kt::Kind::DirList
                                           : kt::Kind::FileList;
    kt::Widget* found = nullptr;
    for (kt::Widget* x : f.widgets())
        if (x->kind == kind) found = x;
    if (!found) fail(std::string(f.className()) + " has no " + which + " list");
    return *found;
}

/// An open folder, closed when it goes.
struct Folder {
    int fd;
    ~Folder() {
        if (fd != AT_FDCWD) ::close(fd);
    }
};

/// Writes `image` as a PNG to `path`, a new file under the current folder. A script is data from
/// anyone: it never replaces a file, and neither the file nor a folder on its way may be a link,
/// which could lead anywhere.
void save(const QPixmap& image, const std::string& path) {
    const auto refuse = [&](const std::string& why) { fail("cannot write " + path + ": " + why); };
    Folder folder{AT_FDCWD};
    size_t from = 0;
    for (size_t slash; (slash = path.find('/', from)) != std::string::npos; from = slash + 1) {
        const std::string name = path.substr(from, slash - from);
        if (name.empty() || name == ".") continue;
        const int next =
            ::openat(folder.fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            refuse(errno == ENOTDIR || errno == ELOOP ? name + " is not a folder (or is a link)"
                                                      : std::strerror(errno));
        Folder inner{next};
        std::swap(folder.fd, inner.fd);
    }
    const std::string name = path.substr(from);
    const int fd = ::openat(folder.fd, name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        refuse(errno == EEXIST ? "it exists, and a shot writes only a new file"
                               : std::strerror(errno));
    QFile file;
    const bool written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                         image.save(&file, "PNG") && file.flush();
    file.close();
    if (!written) {
        ::unlinkat(folder.fd, name.c_str(), 0);
        refuse("the picture could not be written");
    }
}

} // namespace

void startProgram(kt::Program& app) {
    app.dispatch([&] { showStartMenu(app); });
}

std::string dump(const kt::Program& app) {
    return QJsonDocument(kt::describe(app)).toJson(QJsonDocument::Compact).toStdString();
}

Replay::Replay(kt::Program& app, ktqt::Frontend& frontend, std::ostream& out)
    : app_(app)
    , frontend_(frontend)
    , out_(out)
    , watch_(std::make_unique<InvariantWatch>(app)) {}

Replay::~Replay() = default;

void Replay::step(const std::string& line) {
    if (const std::optional<Step> s = parse(line)) run(*s);
}

void Replay::run(const Step& s) {
    // No event loop runs under a script: the windows of closed forms, deleted later by design,
    // are deleted here, between two lines, where none of them is in use.
    struct Flush {
        ~Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    } flush;
    switch (s.verb) {
    case Step::Wait:
    case Step::CatchUp:
        app_.advance(s.ms, s.verb == Step::CatchUp);
        break;
    case Step::Press:
        app_.press(form(app_, s.form), float(s.x), float(s.y), s.button, s.shift);
        break;
    case Step::MouseDown:
        app_.pointerDown(form(app_, s.form), float(s.x), float(s.y), s.button, s.shift);
        break;
    case Step::Down:
        app_.mouseDownOn(widget(form(app_, s.form), s.widget), s.button, s.shift, float(s.x),
                         float(s.y));
        break;
    case Step::Click:
        app_.click(widget(form(app_, s.form), s.widget));
        break;
    case Step::Key:
        app_.keyPress(form(app_, s.form), s.code);
        break;
    case Step::Type: {
        kt::Form& f = form(app_, s.form);
        kt::TextBox& box = textBox(f, s.widget);
        const kt::FormId id = f.id();
        for (char ch : s.text) {
            // Each character is its own change, as typing is; stop if the window went away.
            if (!app_.still(id)) break;
            app_.setText(box, box.text() + ch);
        }
        break;
    }
    case Step::Erase: {
        kt::TextBox& box = textBox(form(app_, s.form), s.widget);
        std::string t = box.text();
        if (!t.empty()) t.pop_back();
        app_.setText(box, t);
        break;
    }
    case Step::Text:
        app_.setText(textBox(form(app_, s.form), s.widget), s.text);
        break;
    case Step::Choose:
    case Step::Pick: {
        kt::Widget& l = list(form(app_, s.form), s.list);
        const int rows = int(kt::asList(l)->entries.size());
        const int row = s.verb == Step::Choose ? rowNamed(l, s.text) : s.row;
        if (s.verb == Step::Choose && row < 0)
            fail("the " + s.list + " list has no entry '" + s.text + "'");
        if (row < 0 || row >= rows)
            fail("the " + s.list + " list has no row " + std::to_string(s.row));
        app_.choose(l, row);
        break;
    }
    case Step::Focus: {
        kt::Widget& w = widget(form(app_, s.form), s.widget);
        if (!w.windowed()) fail(s.widget + " takes no focus");
        app_.focusOn(w);
        break;
    }
    case Step::Close:
        app_.closeBox(form(app_, s.form));
        break;
    case Step::Dump:
        out_ << dump(app_) << '\n';
        out_.flush();
        break;
    case Step::Check: {
        const std::vector<std::string> broken = watch_->check();
        if (!broken.empty()) {
            std::string all = "broken: " + broken[0];
            for (size_t i = 1; i < broken.size(); ++i) all += "; " + broken[i];
            fail(all);
        }
        break;
    }
    case Step::Shot: {
        ktqt::FormView* v = frontend_.view(form(app_, s.form));
        if (!v) fail(s.form + " has no window");
        if (writeFiles) save(v->grab(), s.text);
        break;
    }
    }
}

int Replay::run(std::istream& script, std::ostream& err) {
    LineReader lines(script);
    try {
        while (const std::optional<std::string> line = lines.next()) step(*line);
    } catch (const std::exception& e) {
        err << "line " << lines.number() << ": " << e.what() << '\n';
        return 2;
    }
    return 0;
}

} // namespace kolvar
