// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// Which pixels of a window a sync must repaint. Each graphic widget's look (its rectangle, picture,
// caption, colours, a line's ends) is kept as last synced; a widget whose look changed has both
// its old and its new rectangle repainted, one that went away its old one. Plain rectangles and
// regions: it needs no window.

#include "toolkit/form.h"

#include <QRect>
#include <QRegion>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ktqt {

/// What one graphic widget looked like when last painted; a difference means a repaint.
struct Look {
    QRect rect; ///< device-independent pixels covered, empty when not shown
    const void* picture = nullptr;
    std::string caption;
    /// A line's ends, in twips as the painter takes them: its pixels move with a change far
    /// smaller than a pixel of its rectangle, and the rectangle misses a line flipped within it.
    std::array<float, 4> ends{};
    kt::Color color1, color2;
    int style = 0, width = 0, shape = 0; ///< border style and width, kind of shape
    bool opaque = false, filled = false;
    bool operator==(const Look&) const = default;
};

/// The pixels an image widget draws: its picture from the top-left corner, clipped by the
/// widget's size, a partly covered pixel drawn whole. Painting and repainting both use it, so a
/// moving image leaves nothing behind.
QRect imageRect(const kt::Image& im);
/// The pixels a graphic widget covers when shown (empty for none): what a paint culls with.
QRect rectOf(const kt::Widget& w);
Look lookOf(const kt::Widget& w);

class RepaintTracker {
public:
    /// The graphic widgets of one container with their looks in the same order: a tick compares
    /// them front to back through two flat arrays, not a lookup per widget.
    struct LayerLooks {
        std::vector<const kt::Widget*> widgets;
        std::vector<Look> looks;
    };

    /// Compares the graphic widgets of one container (the window or a frame) with their looks at
    /// the last call, keeps the new looks and returns the pixels to repaint, in the container's
    /// coordinates.
    QRegion changed(const kt::Layers& layers);
    /// The looks of a container's graphic widgets, when the last call saw them as they are now.
    const LayerLooks* synced(const kt::Layers& layers) const;
    /// The topmost opaque label that covers `bounds` whole, by its index in z-order.
    std::optional<size_t> coveredBy(const kt::Layers& layers, const QRect& bounds) const;

private:
    std::unordered_map<const kt::Layers*, LayerLooks> looks_;
};

} // namespace ktqt
