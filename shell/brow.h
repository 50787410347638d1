#pragma once
// The background browser: drives, folders and JPEG files; a chosen picture becomes the
// battlefield's background.

#include "toolkit/form.h"

#include <string>

namespace kolvar {

class brow : public kt::Form {
public:
    explicit brow(kt::Program& app);
    const char* className() const override { return "brow"; }

    /// Full path of the file chosen last; empty until a file is chosen.
    std::string doko;

    /// The close box acts as OK, so a player is never left without a visible window.
    void Form_Close() override { OK_Click(); }
    void OK_Click();
};

} // namespace kolvar
