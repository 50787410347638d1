// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "harness.h"

#include "toolkit/describe.h"

#include <QJsonDocument>

namespace kolvar {

Game::Game()
    : frontend(std::make_unique<ktqt::Frontend>(app, ktqt::Frontend::Mode::Scripted)) {
    startProgram(app);
}

Game::~Game() {
    // Views go before the forms they show.
    frontend.reset();
}

void Game::run(const std::string& script) {
    std::ostringstream out;
    Replay replay(app, *frontend, out);
    std::istringstream in(script);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        try {
            replay.step(line);
        } catch (const std::exception& e) {
            throw ScriptError("script line " + std::to_string(number) + " '" + line +
                              "': " + e.what());
        }
    }
}

QJsonObject Game::dump() {
    return kt::describe(app);
}

Form1& Game::battle() {
    if (auto* f = app.loaded<Form1>()) return *f;
    run("click frmSplash Command1");
    return *app.loaded<Form1>();
}

} // namespace kolvar
