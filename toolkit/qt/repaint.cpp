// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "repaint.h"

#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace ktqt {

namespace {

/// Asks the processor for the first bytes of a widget, where a view reads its look.
void prefetch(const kt::Widget* w) {
#if defined(__GNUC__) || defined(__clang__)
    const char* at = reinterpret_cast<const char*>(w);
    for (int line = 0; line < 4; ++line) __builtin_prefetch(at + 64 * line);
#else
    (void)w;
#endif
}

} // namespace

QRect imageRect(const kt::Image& im) {
    if (im.picture.empty()) return {};
    // Natural size from the left edge, never stretched; a narrower widget clips the picture, and
    // a pixel it covers only in part is drawn whole.
    const int w = int(std::ceil(std::min<double>(im.picture.width(), im.Width / twips)));
    const int h = int(std::ceil(std::min<double>(im.picture.height(), im.Height / twips)));
    if (w <= 0 || h <= 0) return {};
    return QRect(px(im.Left), px(im.Top), w, h);
}

QRect rectOf(const kt::Widget& w) {
    const auto none = [](const auto&) { return QRect(); };
    return kt::visit(
        w, kt::overloaded{
               [](const kt::Image& im) { return imageRect(im); },
               [](const kt::Label& lb) { return pxRect(lb.Left, lb.Top, lb.Width, lb.Height); },
               [](const kt::Line& ln) {
                   const int pad = ln.BorderWidth / 2 + 2;
                   return QRect(QPoint(px(std::min(ln.X1, ln.X2)), px(std::min(ln.Y1, ln.Y2))),
                                QPoint(px(std::max(ln.X1, ln.X2)), px(std::max(ln.Y1, ln.Y2))))
                       .adjusted(-pad, -pad, pad, pad);
               },
               [](const kt::Shape& sh) {
                   return pxRect(sh.Left, sh.Top, sh.Width, sh.Height).adjusted(-1, -1, 1, 1);
               },
               // Drawn by the platform's own controls, or not drawn at all.
               [&](const kt::Frame& f) { return none(f); },
               [&](const kt::CommandButton& b) { return none(b); },
               [&](const kt::TextBox& t) { return none(t); },
               [&](const kt::ListBase& l) { return none(l); },
               [&](const kt::Timer& t) { return none(t); }});
}

Look lookOf(const kt::Widget& w) {
    Look l;
    if (!w.Visible) return l;
    l.rect = rectOf(w);
    kt::visit(w, kt::overloaded{[&](const kt::Image& im) { l.picture = im.picture.image(); },
                                [&](const kt::Label& lb) {
                                    l.caption = lb.Caption;
                                    l.color1 = lb.BackColor;
                                    l.color2 = lb.ForeColor;
                                    l.style = lb.BorderStyle;
                                    l.opaque = lb.opaque;
                                },
                                [&](const kt::Line& ln) {
                                    l.ends = {ln.X1, ln.Y1, ln.X2, ln.Y2};
                                    l.color1 = ln.BorderColor;
                                    l.style = ln.BorderStyle;
                                    l.width = ln.BorderWidth;
                                },
                                [&](const kt::Shape& sh) {
                                    l.color1 = sh.BorderColor;
                                    l.color2 = sh.FillColor;
                                    l.shape = sh.shape;
                                    l.filled = sh.filled;
                                    l.width = sh.BorderWidth;
                                },
                                [](const kt::Frame&) {}, [](const kt::CommandButton&) {},
                                [](const kt::TextBox&) {}, [](const kt::ListBase&) {},
                                [](const kt::Timer&) {}});
    return l;
}

const RepaintTracker::LayerLooks* RepaintTracker::synced(const kt::Layers& layers) const {
    auto it = looks_.find(&layers);
    if (it == looks_.end() || !std::equal(it->second.widgets.begin(), it->second.widgets.end(),
                                          layers.graphic.begin(), layers.graphic.end()))
        return nullptr;
    return &it->second;
}

std::optional<size_t> RepaintTracker::coveredBy(const kt::Layers& layers,
                                                const QRect& bounds) const {
    const LayerLooks* last = synced(layers);
    if (!last) return std::nullopt;
    for (size_t i = last->looks.size(); i-- > 0;) {
        const Look& look = last->looks[i];
        if (!look.rect.contains(bounds)) continue;
        const auto* label = kt::as<kt::Label>(layers.graphic[i]);
        if (label && label->opaque) return i;
    }
    return std::nullopt;
}

QRegion RepaintTracker::changed(const kt::Layers& layers) {
    QRegion local;
    LayerLooks& last = looks_[&layers];
    if (!std::equal(last.widgets.begin(), last.widgets.end(), layers.graphic.begin(),
                    layers.graphic.end())) {
        // Widgets were loaded or unloaded: carry over the looks of those that stay; a new one
        // starts with no look, so that it is painted.
        std::unordered_map<const kt::Widget*, Look> kept;
        for (size_t i = 0; i < last.widgets.size(); ++i)
            kept.emplace(last.widgets[i], std::move(last.looks[i]));
        last.widgets.assign(layers.graphic.begin(), layers.graphic.end());
        last.looks.assign(last.widgets.size(), Look());
        for (size_t i = 0; i < last.widgets.size(); ++i)
            if (auto it = kept.find(last.widgets[i]); it != kept.end()) {
                last.looks[i] = std::move(it->second);
                kept.erase(it);
            }
        // Where a widget that went away was shown must be repainted too.
        for (const auto& [gone, look] : kept) local += look.rect;
    }
    for (size_t i = 0; i < last.widgets.size(); ++i) {
        // The widgets lie apart in memory, and a tick finds most of them out of the cache: the
        // ones a few steps ahead are fetched while this one is compared.
        if (i + 6 < last.widgets.size()) prefetch(last.widgets[i + 6]);
        Look now = lookOf(*last.widgets[i]);
        if (!(last.looks[i] == now)) {
            local += last.looks[i].rect;
            local += now.rect;
            last.looks[i] = std::move(now);
        }
    }
    return local;
}

} // namespace ktqt
