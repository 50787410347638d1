// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The real program for tests: the model, the Qt views on the offscreen platform, and the script
// runner, all in this process. A test drives it with script lines and reads its JSON dump.

#include "battle/form1.h"
#include "toolkit/program.h"
#include "toolkit/qt/frontend.h"
#include "tools/replay/replay.h"

#include <QJsonArray>
#include <QJsonObject>
#include <memory>
#include <sstream>
#include <string>

namespace kolvar {

/// Reads and writes the battlefield's private state, for tests that set up a situation directly.
struct BattleProbe {
    Form1& f;
    auto& uni() { return f.uni; }
    auto& sel() { return f.sel; }
    auto& clock() { return f.clock; }
    auto& kills() { return f.kills; }
    auto& enedead() { return f.enedead; }
    auto& enecell() { return f.enecell; }
    auto& cur() { return f.cur; }
    auto& queue() { return f.queue; }
    auto& prog() { return f.prog; }
    auto& dmg() { return f.dmg; }
    auto& tgx() { return f.tgx; }
    auto& tgy() { return f.tgy; }
    auto& target() { return f.target; }
    auto& hitene() { return f.hitene; }
    auto& cost() { return f.cost; }
    auto& tempo() { return f.tempo; }
    auto& reach() { return f.reach; }
    auto& life() { return f.life; }
    auto& n() { return f.n; }
    void fire(int16_t index, float dx, float dy) { f.fire(index, dx, dy); }
};

class Game {
public:
    /// Starts the program with its start menu shown.
    Game();
    ~Game();

    kt::Program app;
    std::unique_ptr<ktqt::Frontend> frontend;

    /// Runs script lines (newline-separated); a failing line fails the test via QFAIL-like abort.
    void run(const std::string& script);
    /// The whole program state, as `dump` prints it.
    QJsonObject dump();
    /// Shortcuts into the dump.
    QJsonObject window(const QString& name) {
        return dump()["windows"].toObject()[name].toObject();
    }
    QJsonObject state() { return window("Form1")["state"].toObject(); }
    QJsonObject widget(const QString& form, const QString& key) {
        return window(form)["widgets"].toObject()[key].toObject();
    }
    bool exists(const QString& form) { return dump()["windows"].toObject().contains(form); }

    /// The battlefield, created by "gioca" if needed.
    Form1& battle();
    BattleProbe probe() { return BattleProbe{battle()}; }
    /// Advances the clock in steps of `ms`.
    void wait(int ms) { app.advance(ms); }
};

/// Lets every pending event and repaint of the windows happen.
void settle();
/// What a window shows, its backing store as the last repaints left it, against a full paint of
/// the model as it is now, after every pending repaint: empty when the two are the same, else
/// where they first differ. A hidden window shows nothing and always passes.
QString unlikeFullPaint(QWidget& view);

/// Script errors from Game::run, caught by the test framework as failures.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace kolvar
