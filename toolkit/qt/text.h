// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Fonts and text: the game's fonts, captions of labels drawn as Qt lays them out (the short
// ones the money label shows ten times a second without a layout pass), and the widths text asks
// of windows.

#include "toolkit/widgets.h"

#include <QFont>
#include <QPainter>
#include <string>
#include <thread>

namespace ktqt {

/// Reads the system's font configuration on a thread of its own while Qt connects to the display.
/// The first text drawn would otherwise wait those milliseconds on the UI thread; with a second
/// core they overlap. Construct it before QApplication and join it before the first font is loaded
/// (the Frontend loads the game's fonts).
class FontConfigWarmup {
public:
    FontConfigWarmup();
    ~FontConfigWarmup();
    FontConfigWarmup(const FontConfigWarmup&) = delete;
    FontConfigWarmup& operator=(const FontConfigWarmup&) = delete;
    /// Waits for the configuration to be read. Calling it again does nothing.
    void join();

private:
    std::thread thread_;
};

/// Adds the embedded Liberation Sans (standing in for Arial) and makes it the application font.
void loadFonts();

/// The font the view uses for a design font (Arial and MS Sans Serif become Liberation Sans).
QFont qtFont(const kt::Font& f);

void drawLabel(QPainter& p, const kt::Label& lb, const QRect& r);
/// Whether a label with an ellipsis shows its caption shortened in the rectangle `r`.
bool elided(const kt::Label& lb, const QRect& r);

/// The least width of a message box, in pixels, for the window manager to show `title` whole.
int messageBoxWidth(const std::string& title);

} // namespace ktqt
