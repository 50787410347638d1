// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "view.h"

#include "geometry.h"
#include "text.h"

#include "toolkit/program.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <utility>

namespace ktqt {

namespace {

int buttonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return kt::LeftButton;
    case Qt::RightButton:
        return kt::RightButton;
    case Qt::MiddleButton:
        return kt::MiddleButton;
    default:
        return 0;
    }
}

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kt::ShiftMask : 0) |
           (m & Qt::ControlModifier ? kt::CtrlMask : 0) | (m & Qt::AltModifier ? kt::AltMask : 0);
}

} // namespace

void bringUp(QWidget* w) {
    // On Wayland a program may ask for the front only with a token the compositor handed it,
    // and Qt holds one at most at start-up: there the window maps again, which every compositor
    // answers by putting it on top with the keyboard.
    static const bool wayland =
        QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && w->isVisible()) {
        w->hide();
        w->show();
        return;
    }
    w->raise();
    w->activateWindow();
}

FormView::FormView(kt::Program& app, kt::Form& form, Caches& caches)
    : QWidget(nullptr)
    , app_(app)
    , form_(&form)
    , caches_(caches)
    , natives_(app, *this)
    , painter_(caches) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(form.className());
    Qt::WindowFlags flags = Qt::Window;
    switch (form.border) {
    case kt::Border::Sizable:
        break;
    case kt::Border::Fixed:
    case kt::Border::FixedDialog:
        // A window of fixed size offers no maximise nor minimise, in Qt's own title bars
        // (drawn where the compositor draws none) as in the window manager's.
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
        if (form.closeBox) flags |= Qt::WindowCloseButtonHint;
        // A fixed dialog with neither caption nor control box has no title bar at all.
        if (!form.closeBox && form.Caption.empty()) flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    }
    // A floating window is a dialog: X11 window managers learn its transient parent only then.
    if (form.floating) flags = (flags & ~Qt::WindowType_Mask) | Qt::Dialog;
    setWindowFlags(flags);
    installEventFilter(this);
}

FormView::~FormView() = default;

void FormView::detach() {
    form_ = nullptr;
    pressed_ = {};
    natives_.clear();
    orders_.clear();
    hide();
    deleteLater();
}

void FormView::syncLayer(const kt::Layers& layers, QWidget* host, QRegion& dirty,
                         const QPoint& origin) {
    if (const QRegion local = looks_.changed(layers); !local.isEmpty()) {
        host->update(local);
        dirty += local.translated(origin);
    }
    // Keep the native stacking in the model's z-order, back to front.
    auto& order = orders_[&layers];
    const bool restack = order != layers.windowed;
    if (restack) order = layers.windowed;
    for (kt::Widget* w : layers.windowed) {
        QWidget* q = natives_.nativeFor(*w, host);
        if (!q) continue;
        natives_.sync(*w, q);
        if (restack) q->raise();
        // A hidden frame's children wait until it shows: nothing of them can be seen, and the
        // sprite store and the closed panels would cost a look per widget at every tick.
        if (kt::Frame* frame = kt::as<kt::Frame>(w); frame && frame->Visible)
            syncLayer(*frame, q, dirty, origin + q->pos());
        if (form_->focus == w && !q->hasFocus() && w->shown()) q->setFocus();
    }
}

bool FormView::sync() {
    if (!form_) return false;
    kt::Form& f = *form_;
    // A hidden window is brought up to date when it shows (a battle keeps the browser hidden).
    if (!f.visible() && !isVisible()) {
        lastDirty_ = QRegion();
        return false;
    }
    if (title_ != f.Caption) {
        title_ = f.Caption;
        setWindowTitle(QString::fromStdString(f.Caption));
    }
    if (!placed_) place();
    QRegion dirty;
    const Backdrop now{f.BackColor, f.picture.image()};
    if (!(now == backdrop_)) {
        backdrop_ = now;
        dirty += rect();
        update();
    }
    syncLayer(f, this, dirty, QPoint(0, 0));
    // When a frame closes over the focused button and nothing else in the window takes the
    // keyboard, Qt leaves it on the hidden button, where a Space would press what no one sees.
    if (QWidget* fw = QApplication::focusWidget();
        fw && fw != this && fw->window() == this && !fw->isVisible())
        setFocus();
    lastDirty_ = dirty;
    const bool wasShown = isVisible();
    if (f.visible() != wasShown) setVisible(f.visible());
    bool raisedNow = false;
    if (f.visible() && raised_ != f.raiseCount()) {
        raised_ = f.raiseCount();
        raisedNow = true;
        // A window already shown comes up as on Wayland it must; a new one maps on top.
        if (stacking() && wasShown) {
            bringUp(this);
        } else if (stacking()) {
            raise();
            activateWindow();
        }
    }
    return raisedNow;
}

bool FormView::stacking() {
    // The offscreen platform has no stacking to change, and says so on every call.
    static const bool has = QGuiApplication::platformName() != QLatin1String("offscreen");
    return has;
}

void FormView::belongTo(FormView* owner) {
    // Window managers and compositors learn of a transient parent when the window maps, so a
    // window already shown maps again under its new one. It maps as a new native window: mapped
    // again at once, the same X window could still be in the window manager's hands as it
    // withdrew the old one, which then left it unmapped (Openbox did, now and then).
    if (!windowHandle()) create();
    QWindow* parent = owner ? owner->windowHandle() : nullptr;
    if (windowHandle()->transientParent() == parent) return;
    const bool shown = isVisible();
    if (shown) {
        hide();
        destroy();
        create();
    }
    windowHandle()->setTransientParent(parent);
    if (shown) show();
}

void FormView::place() {
    const kt::Form& f = *form_;
    const QSize client(px(f.ScaleWidth), px(f.ScaleHeight));
    placed_ = true;
    if (f.border != kt::Border::Sizable) setFixedSize(client);
    // The designed place is the client area's, not the frame's: setGeometry places the
    // client area (move() would place the frame there) and leaves the frame to the window
    // manager. Without a place, the window manager chooses one.
    std::optional<QPoint> at;
    if (f.position) {
        at = QPoint(px(f.position->first), px(f.position->second));
    } else if (f.centred) {
        if (QScreen* s = QGuiApplication::primaryScreen())
            at = s->availableGeometry().center() - QPoint(client.width() / 2, client.height() / 2);
    }
    if (at)
        setGeometry(QRect(*at, client));
    else
        resize(client);
}

void FormView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (!form_) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    painter_.paintForm(p, *form_, e->region(), looks_);
    ++paints_;
}

void FormView::press(QMouseEvent* e, QPoint pos) {
    if (!alive()) return;
    const int button = buttonOf(e->button());
    if (!button) return;
    // Each button pairs its own press and release: a right press and release in the middle of a
    // left one leave the left click to come.
    kt::Program::Pressed p = app_.pointerDown(
        *form_, float(pos.x() * twips), float(pos.y() * twips), button, shiftOf(e->modifiers()));
    if (button == kt::LeftButton) pressed_ = p;
}

void FormView::release(QMouseEvent* e, QPoint pos) {
    const int button = buttonOf(e->button());
    if (button != kt::LeftButton) return;
    const kt::Program::Pressed p = std::exchange(pressed_, {});
    app_.pointerUp(p, float(pos.x() * twips), float(pos.y() * twips), button);
}

void FormView::mousePressEvent(QMouseEvent* e) {
    press(e, e->position().toPoint());
}
void FormView::mouseReleaseEvent(QMouseEvent* e) {
    release(e, e->position().toPoint());
}

void FormView::closeEvent(QCloseEvent* e) {
    // The model decides what a close box does; the window goes when the model unloads its form.
    e->ignore();
    if (alive() && !app_.waiting()) app_.closeBox(*form_);
}

std::optional<int> FormView::characterOf(int key, const QString& text) {
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || text.isEmpty()) return std::nullopt;
    return text.at(0).unicode();
}

bool FormView::key(QKeyEvent* k) {
    const std::optional<int> code = characterOf(k->key(), k->text());
    if (!code || !form_->takesKey(*code)) return false;
    app_.keyPress(*form_, *code);
    return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* e) {
    if (!alive()) return false;
    // A key reaches the focused widget first and travels up to its parents when ignored: only its
    // first delivery is the player's key. The window's own focus widget, not the application's:
    // on Wayland a key typed as a window comes up may reach it before Qt makes it active.
    if (e->type() == QEvent::KeyPress) {
        QWidget* focused = focusWidget();
        if (watched != (focused ? focused : this)) return false;
        return key(static_cast<QKeyEvent*>(e));
    }
    if (watched == this) return false;
    kt::Widget* w = natives_.modelOf(watched);
    if (!w) return false;
    if (e->type() == QEvent::FocusIn) app_.focusOn(*w);
    // Qt delivers the second press of a double click as a double click alone: it is a press
    // all the same, one MouseDown each.
    const bool pressed =
        e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick;
    if (pressed && w->kind == kt::Kind::Button) {
        auto* m = static_cast<QMouseEvent*>(e);
        const int b = buttonOf(m->button());
        if (b && w->MouseDown)
            app_.mouseDownOn(*w, b, shiftOf(m->modifiers()), float(m->position().x() * twips),
                             float(m->position().y() * twips));
        // A push button takes the left button alone; any other press would travel on to the
        // panel beneath, whose routing would find this button and press it a second time.
        return !alive() || m->button() != Qt::LeftButton;
    }
    return false;
}

void FormView::changeEvent(QEvent* e) {
    // A window that an open message box blocks may still be given the keyboard by a click on
    // it (a Wayland compositor knows nothing of modality): the box asks for it back, so that
    // Enter still closes it.
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        if (QWidget* box = QApplication::activeModalWidget(); box && box != this) bringUp(box);
    // Qt's own title bars (GNOME on Wayland) offer maximise whatever the window's flags say: a
    // window of fixed size that the compositor maximises goes back to its own size and place.
    constexpr Qt::WindowStates large = Qt::WindowMaximized | Qt::WindowFullScreen;
    if (e->type() == QEvent::WindowStateChange && alive() && form_->border != kt::Border::Sizable &&
        (windowState() & large))
        QTimer::singleShot(0, this, [this, large] { setWindowState(windowState() & ~large); });
    QWidget::changeEvent(e);
}

bool FormView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && alive()) {
        // A label that shortens its caption tells the whole of it on hover.
        auto* help = static_cast<QHelpEvent*>(e);
        const kt::Widget* w =
            app_.hit(*form_, float(help->pos().x() * twips), float(help->pos().y() * twips));
        if (const auto* lb = kt::as<kt::Label>(w)) {
            const QRect r = pxRect(w->formLeft(), w->formTop(), w->Width, w->Height);
            if (caches_.fonts.elided(*lb, r)) {
                QToolTip::showText(help->globalPos(), QString::fromStdString(lb->Caption), this, r);
                return true;
            }
        }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    return QWidget::event(e);
}

} // namespace ktqt
