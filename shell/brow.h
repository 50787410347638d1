// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The background browser: drives, folders and JPEG files; a chosen picture becomes the
// battlefield's background at once.

#include "toolkit/files.h"
#include "toolkit/form.h"

#include <optional>
#include <string>

namespace kolvar {

class brow : public kt::Form {
public:
    explicit brow(kt::Program& app);
    const char* className() const override { return "brow"; }

    kt::DriveList Drive1;
    kt::FileList File1;
    kt::DirList Dir1;
    kt::CommandButton OK;
    kt::Label Label1;

    /// Full path of the file chosen last (raw bytes); empty until a file is chosen.
    std::string doko;

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void OK_Click();
    /// The close box acts as OK, so a player is never left without a visible window.
    void Form_Close() override { OK_Click(); }

private:
    /// Shows the picture of `doko` in the browser and gives it to the battlefield.
    void apply(const kt::Picture& chosen);
    /// The file of `doko` as it was when its picture was read.
    std::optional<kt::files::Stamp> chosen_;
    /// Label1 back to what it showed before any notice: the chosen file, or its designed caption.
    void settle();
    /// Label1 = a path and what befell it, the path's last name and the reason kept whole.
    void tell(const std::string& path, const std::string& reason);
};

} // namespace kolvar
