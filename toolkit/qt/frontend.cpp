// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frontend.h"

#include "view.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <cmath>
#include <thread>

namespace ktqt {

Frontend::Frontend(kt::Program& app, Mode mode)
    : app_(app)
    , mode_(mode) {
    loadFonts();
    // The model decides when the program ends, not Qt's last-window rule: between hiding the
    // battlefield and showing the start menu there is briefly no window at all.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (mode_ == Mode::RealTime) driver_ = std::make_unique<ClockDriver>(app_, time_);
    app_.setHost(this);
}

Frontend::~Frontend() {
    if (&app_.host() == this) app_.setHost(nullptr);
    for (auto& [serial, v] : views_) delete v;
    // The windows of forms unloaded last go now, while the display is still there: left to the
    // application's end, Qt 6.4's Wayland thread could still deliver a frame to one of them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

FormView* Frontend::view(const kt::Form& f) const {
    auto it = views_.find(f.serial());
    return it == views_.end() ? nullptr : it->second;
}

void Frontend::sync() {
    std::map<uint64_t, FormView*> next;
    std::vector<FormView*> floating;
    for (kt::Form* f : app_.forms()) {
        auto it = views_.find(f->serial());
        FormView* v = it != views_.end() ? it->second : new FormView(app_, *f, caches_);
        if (it != views_.end()) views_.erase(it);
        next[f->serial()] = v;
        if (f->floating)
            floating.push_back(v);
        else if (v->sync())
            front_ = v;
    }
    for (auto& [serial, v] : views_) {
        if (v == front_) front_ = nullptr;
        v->detach(); // their forms are gone
    }
    views_ = std::move(next);
    // The floating windows (the help) are transients of the window they stay above, set before
    // they show: the one that holds them while it is shown, else the one shown last.
    FormView* owner = front_ && front_->form()->visible() ? front_ : nullptr;
    for (auto& [serial, v] : views_)
        if (v->form()->holdsFloating && v->form()->visible()) owner = v;
    for (FormView* v : floating) {
        v->belongTo(owner);
        v->sync();
    }
    if (driver_ && !stopped_) driver_->arm();
}

std::optional<std::pair<float, float>> Frontend::measure(const kt::Font& font,
                                                         const std::string& text) {
    return caches_.fonts.measure(font, text);
}

QSize Frontend::screen() const {
    if (const QScreen* s = QGuiApplication::primaryScreen()) return s->size();
    return Host::screen();
}

void Frontend::aside(const std::function<void()>& work) {
    // A script's program runs on the script's time alone: the work is done at once, in its place.
    if (mode_ != Mode::RealTime || stopped_) return work();
    // As under a message box, the game's time stands still; the windows repaint and answer the
    // window manager, and the player's input waits in the queue until the work is done.
    const RealTime::Pause pause(time_);
    if (driver_) driver_->stop();
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join(); // the loop ends early only when the program stops: then it waits here
}

void Frontend::ended() {
    QCoreApplication::exit(0);
}

void Frontend::prepare(const kt::Picture& picture) {
    // As the battlefield will draw it on this screen: a whole device scale enlarges the art once.
    const qreal ratio = qApp->devicePixelRatio();
    caches_.sprites.of(picture, ratio == std::floor(ratio) ? int(ratio) : 1);
}

void Frontend::stop() {
    stopped_ = true;
    if (driver_) driver_->stop();
    QCoreApplication::exit(0);
}

void Frontend::messageBox(kt::Form* owner, const std::string& text, const std::string& title) {
    // A scripted program records its boxes, and they are acknowledged at once.
    if (mode_ != Mode::Scripted) showBox(owner, text, title);
}

void Frontend::showBox(kt::Form* owner, const std::string& text, const std::string& title) {
    if (stopped_) return;
    const RealTime::Pause pause(time_);
    if (driver_) driver_->stop();
    // A box stands where the player is looking: over its window, or, while that window is
    // hidden (a battle lost behind the browser), over the window that has the focus; without
    // either Qt centres it on the screen.
    QWidget* parent = owner ? static_cast<QWidget*>(view(*owner)) : nullptr;
    if (!parent || !parent->isVisible()) parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    // Qt sizes the box to its text; a window manager shows no title in a box narrower than the
    // title and its buttons ("Hai vinto!!" alone gave 102 pixels).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(messageBoxWidth(title), 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if (mode_ == Mode::Watched)
        QTimer::singleShot(2000, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
    // Modal through its own event loop rather than exec(), which a window that maps the box
    // again (to bring it up on Wayland) would end.
    box.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.show();
    loop.exec();
}

} // namespace ktqt
