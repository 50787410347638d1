// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to the loader of pictures chosen by the player: it must never crash,
// hang or allocate without bound, whatever a file holds.

#include "toolkit/picture.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Image-format plugins come with an application; never destroyed, as Qt cannot tear one down
    // from an exit handler.
    static auto* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kt::Failure reason = kt::Failure::None;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const kt::Picture p = kt::Picture::fromData(bytes, QSize(800, 600), reason);
    if (p.empty() == (reason == kt::Failure::None)) std::abort(); // a refusal always says why
    if (!p.empty() && (p.width() > 800 || p.height() > 600)) std::abort(); // never beyond the clip
    return 0;
}
