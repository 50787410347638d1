// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "brow.h"

#include "battle/form1.h"
#include "shell/frmsplash.h"
#include "toolkit/files.h"
#include "toolkit/program.h"

namespace kolvar {

namespace {

// What the label says after a path the lists could not open.
std::string placeWords(kt::Failure why) {
    switch (why) {
    case kt::Failure::NotFound:
        return "  - cartella non trovata";
    case kt::Failure::Unreadable:
        return "  - cartella non leggibile";
    default:
        return "  - unita non pronta";
    }
}

// What it says after a file that gave no picture.
std::string pictureWords(kt::Failure why) {
    switch (why) {
    case kt::Failure::NotFound:
        return "  - file non trovato";
    case kt::Failure::Empty:
        return "  - file vuoto";
    case kt::Failure::NotAPicture:
        return "  - immagine non leggibile";
    case kt::Failure::TooLarge:
        return "  - immagine troppo grande";
    case kt::Failure::TooComplex:
        return "  - immagine troppo complessa";
    default:
        return "  - file non leggibile";
    }
}

} // namespace

brow::brow(kt::Program& app)
    : Form(app) {
    Caption = "Form2";
    ScaleWidth = 7500, ScaleHeight = 5070;
    border = kt::Border::Sizable;

    add(Drive1, "Drive1");
    kt::place(Drive1, 240, 480, 2415, 315);
    Drive1.Change = [this] { Drive1_Change(); };
    add(File1, "File1");
    kt::place(File1, 240, 1440, 4215, 2820);
    File1.Pattern = "*.jpg";
    File1.Click = [this](int) { File1_Click(); };
    add(Dir1, "Dir1");
    kt::place(Dir1, 3000, 120, 4215, 990);
    Dir1.Change = [this] { Dir1_Change(); };
    add(OK, "OK");
    kt::place(OK, 2520, 4560, 2295, 375);
    OK.Caption = "OK";
    OK.Click = [this](int) { OK_Click(); };
    add(Label1, "Label1");
    kt::place(Label1, 4800, 1440, 2055, 375);
    Label1.Caption = "Label1";
    Label1.font = font;
    Label1.opaque = false;
    // A path rarely fits: its two ends say the most, the tooltip has the whole.
    Label1.wordWrap = false;
    Label1.ellipsis = true;

    // A place the lists could not read: they stay where they were and Label1 says why.
    auto fail = [this](const std::string& where, kt::Failure why) { tell(where, placeWords(why)); };
    Drive1.Fail = Dir1.Fail = File1.Fail = fail;

    // The lists start on the current drive and folder.
    const std::string here = kt::files::current();
    Drive1.refresh(here);
    if (Dir1.load(here)) File1.setPath(Dir1.Path);
    focus = &Drive1;
}

void brow::Drive1_Change() {
    // The folder list moves to the drive; if the drive cannot be read, both stay where they were.
    if (!Dir1.setPath(Drive1.folder())) Drive1.follow(Dir1.Path);
}

void brow::Dir1_Change() {
    // The lists moved: a notice of a place they could not read is over.
    settle();
    Drive1.remember(Dir1.Path);
    File1.setPath(Dir1.Path);
}

void brow::File1_Click() {
    const std::string name = File1.FileName();
    if (name.empty()) return;
    const std::string path = kt::files::join(File1.Path, name);
    // The file chosen last, unchanged since: its picture is the one held. Reading and decoding it
    // again at every click on it would only pile up work behind a quick run of clicks.
    const std::optional<kt::files::Stamp> seen = kt::files::stamp(path);
    if (path == doko && seen && seen == chosen_ && !picture.empty()) return apply(picture);
    kt::Failure reason = kt::Failure::None;
    // A background is drawn at natural size from the battlefield's top-left corner, so no more
    // of it than the screen or the battlefield, the larger, can ever show: a window moved partly
    // off a small screen shows the rest. A large photo takes a while to read and decode: aside,
    // so that the windows stay painted meanwhile.
    const QSize clip = app.host().screen().expandedTo(QSize(
        int(Form1::fieldWidth / kt::twipsPerPixel), int(Form1::fieldHeight / kt::twipsPerPixel)));
    kt::Picture chosen;
    app.aside([&] { chosen = kt::Picture::fromFile(path, clip, reason); });
    // A file that is no usable picture changes nothing but the notice.
    if (chosen.empty()) {
        tell(path, pictureWords(reason));
        return;
    }
    doko = path;
    chosen_ = seen;
    apply(chosen);
}

void brow::apply(const kt::Picture& chosen) {
    tell(doko, {});
    picture = chosen;
    // Giving the battlefield its background creates it, hidden, when no battle exists yet.
    app.get<Form1>().picture = picture;
}

void brow::OK_Click() {
    showStartMenu(app);
    unload();
}

void brow::settle() {
    if (doko.empty()) {
        Label1.Caption = "Label1";
        Label1.keep = 0;
    } else {
        tell(doko, {});
    }
}

void brow::tell(const std::string& path, const std::string& reason) {
    // Too long a caption loses characters from its folders: the name and the reason stay whole.
    const std::string shown = kt::files::display(path);
    const size_t cut = shown.find_last_of('/');
    const size_t name = cut == std::string::npos ? shown.size() : shown.size() - cut - 1;
    Label1.Caption = shown + reason;
    Label1.keep = name + reason.size();
}

} // namespace kolvar
