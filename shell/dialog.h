// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The help window: one fixed Italian help text and an OK button.

#include "toolkit/form.h"

namespace kolvar {

class Dialog : public kt::Form {
public:
    explicit Dialog(kt::Program& app);
    const char* className() const override { return "Dialog"; }

    kt::CommandButton OKButton;
    kt::Label Label1;

    void OKButton_Click();
    /// The close box acts as OK, so the start menu comes back.
    void Form_Close() override { OKButton_Click(); }
};

} // namespace kolvar
