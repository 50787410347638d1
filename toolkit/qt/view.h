// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// One generic view per form: a top-level window that shows any toolkit form. It paints the form's
// background, picture and graphic widgets, hosts native Qt widgets for the windowed ones, forwards
// input into the model's entry points, and after every dispatch syncs from the model, repainting
// only the regions whose look changed.

#include "paint.h"
#include "toolkit/form.h"

#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <map>
#include <optional>
#include <unordered_map>

namespace kt {
class Program;
}

namespace ktqt {

class FormView : public QWidget {
    Q_OBJECT
public:
    FormView(kt::Program& app, kt::Form& form);
    ~FormView() override;

    /// Brings the window, its native widgets and its repaint regions up to date with the model.
    /// Returns whether the window was brought to the front.
    bool sync();
    /// Raises a floating window again, after another window came to the front.
    void keepAbove();
    /// Whether the platform stacks windows (the offscreen one does not).
    static bool stacking();
    /// Called when the form has been unloaded: the view lets go of it and closes.
    void detach();
    kt::Form* form() const { return form_; }

    /// Repaints since creation, and the region of the last sync, for tests of repaint economy.
    int paintCount() const { return paints_; }
    QRegion lastDirty() const { return lastDirty_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class FrameView;
    QWidget* nativeFor(kt::Widget& w, QWidget* parent);
    void syncNative(kt::Widget& w, QWidget* q);
    void syncLayer(const kt::Layers& layers, QWidget* host, QRegion& dirty, const QPoint& origin);
    /// Draws the graphic widgets of one container (the window or a frame) that meet `region`, at
    /// `scale` whole device pixels per pixel (0: a fractional scale, drawn without caches).
    /// The widgets before `from` in z-order are left out, when an opaque one hides them.
    void paintLayer(QPainter& p, const kt::Layers& layers, const QRegion& region, int scale,
                    size_t from = 0);
    void paintGraphic(QPainter& p, const kt::Widget& w, int scale);
    /// A key the player pressed in this window: a character goes to the model when the form
    /// previews keys, or when it is Enter or Escape and the form has a button for it. Returns
    /// whether the key was taken.
    bool key(QKeyEvent* k);
    void press(QMouseEvent* e, QPoint formPixel);
    void release(QMouseEvent* e, QPoint formPixel);
    bool alive() const;

    kt::Program& app_;
    kt::Form* form_;
    uint64_t serial_;
    std::map<kt::Widget*, QPointer<QWidget>> natives_;
    /// The graphic widgets of each container as last synced, with their looks in the same order:
    /// a tick compares them front to back through two flat arrays, not a lookup per widget.
    struct LayerLooks {
        std::vector<const kt::Widget*> widgets;
        std::vector<Look> looks;
    };
    std::unordered_map<const kt::Layers*, LayerLooks> looks_;
    /// The looks of a container's graphic widgets, when the last sync saw them as they are now.
    const LayerLooks* synced(const kt::Layers& layers) const;
    /// The topmost opaque label that covers `bounds` whole, by its index in z-order.
    std::optional<size_t> coveredBy(const kt::Layers& layers, const QRect& bounds) const;
    std::map<const kt::Layers*, std::vector<kt::Widget*>> orders_;
    std::unordered_map<const kt::Widget*, Drawn> drawn_; ///< labels and shapes, as last drawn
    std::map<const kt::Widget*, std::vector<std::string>> rows_; ///< list rows as last shown
    std::map<const kt::Widget*, int> chosen_;        ///< each list's chosen row as last synced
    std::map<const kt::Widget*, kt::Color> bases_;   ///< text box colours as last set
    std::map<const kt::Widget*, std::string> texts_; ///< what each text box shows
    struct Backdrop {
        kt::Color color;
        const void* picture = nullptr;
        bool operator==(const Backdrop&) const = default;
    } backdrop_;
    std::optional<std::string> title_; ///< the caption the window title was last set from
    uint64_t raised_ = 0;
    bool placed_ = false;
    kt::Widget* pressed_ = nullptr;
    int paints_ = 0;
    QRegion lastDirty_;
};

} // namespace ktqt
