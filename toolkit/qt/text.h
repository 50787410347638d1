// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Fonts and text: the game's fonts, captions of labels drawn as Qt lays them out (the short
// ones the money label shows ten times a second without a layout pass), and the widths text asks
// of windows.

#include "toolkit/widgets.h"

#include <QFont>
#include <QPainter>
#include <QRawFont>
#include <array>
#include <map>
#include <string>
#include <thread>
#include <tuple>

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

/// Adds the embedded Liberation Sans (standing in for Arial) to the process's font database and
/// makes it the application font. Qt's font database is the process's, not a window's: the first
/// call does it for good, later ones return at once.
void loadFonts();

/// The game's design fonts as Qt draws them, made once each and kept as long as this cache.
class Fonts {
public:
    /// The font the view uses for a design font (Arial and MS Sans Serif become Liberation Sans).
    const QFont& font(const kt::Font& f);
    void drawLabel(QPainter& p, const kt::Label& lb, const QRect& r);
    /// Whether a label with an ellipsis shows its caption shortened in the rectangle `r`.
    bool elided(const kt::Label& lb, const QRect& r);
    /// The lines a shortened label shows in a text area of `size` pixels: its caption shortened
    /// in the middle of its head, the last `keep` bytes whole; what of them does not fit after the
    /// head goes to a second line, broken at a blank, where the area holds two. Without room for
    /// that, the whole caption shortened in its middle on one line.
    QStringList shortened(const kt::Label& lb, QSize size);
    /// The size of `text` on one line in a design font, in twips (width, height).
    std::pair<float, float> measure(const kt::Font& f, const std::string& text);

private:
    /// A design font's glyphs for the printable ASCII characters.
    struct Glyphs {
        QRawFont raw;
        std::array<quint32, 95> index{};
        std::array<qreal, 95> advance{};
    };
    using Key = std::tuple<std::string, float, bool>;
    const Glyphs& glyphs(const kt::Font& f);
    bool drawRun(QPainter& p, const kt::Label& lb, const QRect& r, const QRect& text);
    std::map<Key, QFont> fonts_;
    std::map<Key, Glyphs> glyphs_;
};

/// The least width of a message box, in pixels, for the window manager to show `title` whole.
int messageBoxWidth(const std::string& title);

} // namespace ktqt
