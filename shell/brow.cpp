#include "brow.h"

#include "shell/frmsplash.h"

namespace kolvar {

brow::brow(kt::Program& app)
    : Form(app) {
    Caption = "Form2";
    ScaleWidth = 7500, ScaleHeight = 5070;
    border = kt::Border::Sizable;
}

void brow::OK_Click() {
    showStartMenu(app);
    unload();
}

} // namespace kolvar
