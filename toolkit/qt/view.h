// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// One generic view per form: the top-level window that shows any toolkit form. It places the
// window, hands the player's presses and keys to the model's entry points, and after every
// dispatch syncs from the model, repainting only what changed; painting, the native widgets and
// the repaint tracking live in rooms of their own.

#include "natives.h"
#include "painter.h"
#include "repaint.h"

#include "toolkit/form.h"

#include <QRegion>
#include <QWidget>
#include <optional>
#include <string>

#include "toolkit/program.h"

namespace ktqt {

/// Brings a shown top-level window to the front with the keyboard, on X11 and Wayland alike.
void bringUp(QWidget* w);

class FormView : public QWidget {
    Q_OBJECT
public:
    /// `caches` outlives the view.
    FormView(kt::Program& app, kt::Form& form, Caches& caches);
    ~FormView() override;

    /// Brings the window, its native widgets and its repaint regions up to date with the model.
    /// Returns whether the window was brought to the front.
    bool sync();
    /// Makes the window a transient of `owner` (none: of no window), which window managers and
    /// compositors keep it above.
    void belongTo(FormView* owner);
    /// The character a key event types, if it types one the window may take: Tab and Shift+Tab
    /// move the focus, and a key that types nothing (Shift, an arrow) is no character.
    static std::optional<int> characterOf(int key, const QString& text);
    /// Whether the platform stacks windows (the offscreen one does not).
    static bool stacking();
    /// Called when the form has been unloaded: the view lets go of it and closes.
    void detach();
    kt::Form* form() const { return form_; }
    /// Whether the view still shows a form.
    bool alive() const { return form_ != nullptr; }

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
    friend class NativeWidgets;
    /// Repaints what changed among the graphic widgets of one container (the window or a frame)
    /// and syncs its windowed ones, front to back, frames' contents in turn.
    void syncLayer(const kt::Layers& layers, QWidget* host, QRegion& dirty, const QPoint& origin);
    /// Places and sizes the window the first time it is synced.
    void place();
    /// A key the player pressed in this window: a character goes to the model when the form
    /// takes it. Returns whether the key was taken.
    bool key(QKeyEvent* k);
    void press(QMouseEvent* e, QPoint formPixel);
    void release(QMouseEvent* e, QPoint formPixel);

    kt::Program& app_;
    kt::Form* form_;
    Caches& caches_;
    NativeWidgets natives_;
    RepaintTracker looks_;
    GraphicPainter painter_;
    std::map<const kt::Layers*, std::vector<kt::Widget*>> orders_; ///< native stacking synced
    struct Backdrop {
        kt::Color color;
        const void* picture = nullptr;
        bool operator==(const Backdrop&) const = default;
    } backdrop_;
    std::optional<std::string> title_; ///< the caption the window title was last set from
    uint64_t raised_ = 0;
    bool placed_ = false;
    kt::Program::Pressed pressed_; ///< what the left button's press holds for its release
    int paints_ = 0;
    QRegion lastDirty_;
};

} // namespace ktqt
