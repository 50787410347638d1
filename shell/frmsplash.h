// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The start menu: the program's first window and the one it returns to after every battle.

#include "toolkit/form.h"

namespace kolvar {

class frmSplash : public kt::Form {
public:
    explicit frmSplash(kt::Program& app);
    const char* className() const override { return "frmSplash"; }

    kt::Frame Frame1;
    kt::Label lblCompanyProduct, lblProductName, lblPlatform, lblVersion, Label1, lblWarning;
    kt::CommandButton Command1, command2, Command3, Command4;

    void Form_Load() override;
    void Form_KeyPress(int& key) override;
    /// The window manager's close (the menu has no close box): quit, as "esci".
    void Form_Close() override { command2_Click(); }

    void Command1_Click() { startBattle(); }
    void Frame1_Click() { startBattle(); }
    void command2_Click();
    void Command3_Click();
    void Command4_Click();

private:
    void startBattle();
};

/// Shows the start menu modeless, creating it (and running its Form_Load) if it does not exist.
void showStartMenu(kt::Program& app);

} // namespace kolvar
