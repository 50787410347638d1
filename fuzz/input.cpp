// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Plays arbitrary bytes as a player's input against the whole program (the model, without
// drawing): presses anywhere on any window with any button and shift state, presses on every
// widget, keys, text typed into the cheat box, the clock running on by up to two seconds, choices
// in the background browser over a small folder tree made for the run, and close boxes. After
// every input the invariant checker must find nothing broken; otherwise the run stops with the
// inputs played so far and what broke.

#include "battle/form1.h"
#include "battle/invariants.h"
#include "shell/brow.h"
#include "shell/frmsplash.h"
#include "shell/identity.h"
#include "toolkit/program.h"

#include "bytes.h"
#include "tree.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using kolvar::fuzz::Bytes;
using kolvar::fuzz::cheatCode;

using kolvar::fuzz::inTree;
using kolvar::fuzz::tree;

// A window the player can reach: a shown one (the battlefield may exist hidden, and the browser
// stays loaded, hidden, after a battle has read its picture).
kt::Form* pickForm(kt::Program& app, unsigned b) {
    std::vector<kt::Form*> shown;
    for (kt::Form* f : app.forms())
        if (f->visible()) shown.push_back(f);
    return shown.empty() ? nullptr : shown[b % shown.size()];
}

struct Player {
    kt::Program& app;
    Bytes in;
    std::string log; ///< what was played, for the report

    void note(const std::string& s) { log += s + "\n"; }

    void press(kt::Form& f, float x, float y) {
        static const int buttons[] = {kt::LeftButton, kt::RightButton, kt::MiddleButton};
        const int button = buttons[in.byte() % 3], shift = int(in.byte() % 8);
        note("press " + std::string(f.className()) + " " + std::to_string(x) + " " +
             std::to_string(y) + " " + std::to_string(button) + " " + std::to_string(shift));
        app.press(f, x, y, button, shift);
    }

    void play() {
        const unsigned op = in.byte() % 10;
        kt::Form* f = pickForm(app, in.byte());
        if (!f) return;
        switch (op == 2 ? 1u : op == 6 || op == 7 ? 5u : op) { // 1 and 2 on a widget, 5 to 7 time
        case 0: { // anywhere on a window, a little beyond its edges too
            const float x = float(in.word()) / 65535.f * (f->ScaleWidth + 1000) - 500;
            const float y = float(in.word()) / 65535.f * (f->ScaleHeight + 1000) - 500;
            press(*f, x, y);
            break;
        }
        case 1: { // on a widget, wherever it is
            const auto& ws = f->widgets();
            if (ws.empty()) break;
            const kt::Widget& w = *ws[in.word() % ws.size()];
            const float x = w.formLeft() + w.Width * float(in.byte()) / 256.f;
            const float y = w.formTop() + w.Height * float(in.byte()) / 256.f;
            press(*f, x, y);
            break;
        }
        case 3: { // a key: Enter, Escape, Backspace, a blank or any character
            static const int keys[] = {kt::keys::enter, kt::keys::escape, kt::keys::backspace,
                                       kt::keys::space};
            const unsigned b = in.byte();
            const int code = b < 128 ? keys[b % 4] : int(in.byte() % 255) + 1;
            note("key " + std::string(f->className()) + " " + std::to_string(code));
            app.keyPress(*f, code);
            break;
        }
        case 4: { // the cheat box: a code typed letter by letter, a character, or one rubbed out
            auto* battle = app.loaded<kolvar::Form1>();
            if (!battle || !battle->visible()) break;
            const unsigned b = in.byte();
            std::string text = b < 64    ? cheatCode(b)
                               : b < 192 ? std::string(1, char(in.byte() % 95 + 32))
                                         : std::string();
            note("type '" + text + "'");
            const kt::FormId id = battle->id();
            if (text.empty()) {
                std::string t = battle->cheater.text();
                if (!t.empty()) t.pop_back();
                app.setText(battle->cheater, t);
            }
            for (char ch : text) {
                auto* now = static_cast<kolvar::Form1*>(app.still(id));
                if (!now) break;
                app.setText(now->cheater, now->cheater.text() + ch);
            }
            break;
        }
        case 5: { // time
            const int ms = int(in.word() % 2001);
            note("wait " + std::to_string(ms));
            app.advance(ms);
            break;
        }
        case 8: { // a row of one of the browser's lists
            auto* b = app.loaded<kolvar::brow>();
            if (!b || !b->visible()) break;
            // The browser opens on the current folder; the player walks over to the tree.
            if (!inTree(b->Dir1.Path)) app.dispatch([&] { b->Dir1.setPath(tree); });
            kt::ListBase* lists[] = {&b->Drive1, &b->Dir1, &b->File1};
            const unsigned which = in.byte() % 3;
            kt::ListBase& l = *lists[which];
            std::vector<int> rows;
            for (size_t r = 0; r < l.entries.size(); ++r) {
                const std::string place = which == 0   ? b->Drive1.drives[r].root
                                          : which == 1 ? b->Dir1.paths[r]
                                                       : b->File1.Path;
                if (inTree(place)) rows.push_back(int(r));
            }
            if (rows.empty()) break;
            const int row = rows[in.byte() % rows.size()];
            note("choose " + std::to_string(which) + " " + l.entries[size_t(row)]);
            app.dispatch([&] { l.activate(row); });
            break;
        }
        case 9:
            note("close " + std::string(f->className()));
            app.closeBox(*f);
            break;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Pictures and the screen's size need an application; never destroyed, as Qt cannot tear
    // one down from an exit handler.
    static auto* qapp = new QGuiApplication(*argc, *argv);
    (void)qapp;
    kolvar::fuzz::makeTree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kt::Program app{kolvar::identity()};
    kolvar::InvariantWatch watch(app);
    app.dispatch([&] { kolvar::showStartMenu(app); });
    Player player{app, {data, size}, {}};
    // Each input is a short session; a longer one is a longer input, up to this many actions.
    for (int step = 0; step < 2000 && !player.in.done() && !app.ended(); ++step) {
        player.play();
        const std::vector<std::string> broken = watch.check();
        if (broken.empty()) continue;
        std::fprintf(stderr, "after:\n%s", player.log.c_str());
        for (const std::string& b : broken) std::fprintf(stderr, "BROKEN: %s\n", b.c_str());
        std::abort();
    }
    if (std::getenv("KOLVAR_FUZZ_TRACE")) { // what an input plays, for making seeds
        std::fprintf(stderr, "%s", player.log.c_str());
        if (auto* f = app.loaded<kolvar::Form1>())
            std::fprintf(stderr, "battle at %s, units %d\n", f->Label1.Caption.c_str(), f->c);
    }
    return 0;
}
