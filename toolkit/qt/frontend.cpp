// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "frontend.h"

#include "view.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace ktqt {

Frontend::Frontend(kt::Program& app, Mode mode)
    : app_(app)
    , mode_(mode) {
    loadFonts();
    // The model decides when the program ends, not Qt's last-window rule: between hiding the
    // battlefield and showing the start menu there is briefly no window at all.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    app_.afterDispatch = [this] { sync(); };
    app_.measureText = [](const kt::Font& font, const std::string& text) {
        const QSize s =
            QFontMetrics(qtFont(font)).size(Qt::TextSingleLine, QString::fromStdString(text));
        return std::pair<float, float>(float(s.width()) * kt::twipsPerPixel,
                                       float(s.height()) * kt::twipsPerPixel);
    };
    app_.onEnd = [] { QCoreApplication::exit(0); };
    if (mode_ != Mode::Scripted) app_.messageBoxes = this;
    if (mode_ == Mode::RealTime) {
        driver_.setSingleShot(true);
        driver_.setTimerType(Qt::PreciseTimer);
        connect(&driver_, &QTimer::timeout, this, [this] { onDriver(); });
    }
    real_.start();
}

Frontend::~Frontend() {
    app_.afterDispatch = nullptr;
    app_.onEnd = nullptr;
    app_.measureText = nullptr;
    if (app_.messageBoxes == this) app_.messageBoxes = nullptr;
    for (auto& [serial, v] : views_) delete v;
}

FormView* Frontend::view(const kt::Form& f) const {
    auto it = views_.find(f.serial());
    return it == views_.end() ? nullptr : it->second;
}

void Frontend::sync() {
    std::map<uint64_t, FormView*> next;
    bool raised = false;
    for (kt::Form* f : app_.forms()) {
        auto it = views_.find(f->serial());
        FormView* v = it != views_.end() ? it->second : new FormView(app_, *f);
        if (it != views_.end()) views_.erase(it);
        next[f->serial()] = v;
        raised = v->sync() || raised;
    }
    for (auto& [serial, v] : views_) v->detach(); // their forms are gone
    views_ = std::move(next);
    // A window brought to the front goes under the floating ones (the help).
    if (raised)
        for (auto& [serial, v] : views_) v->keepAbove();
    if (mode_ == Mode::RealTime) arm();
}

int64_t Frontend::elapsed() const {
    return real_.elapsed() - paused_;
}

void Frontend::stop() {
    stopped_ = true;
    driver_.stop();
    QCoreApplication::exit(0);
}

void Frontend::arm() {
    if (app_.messageBoxOpen() || app_.ended() || stopped_) return;
    const auto due = app_.clock.nextDue();
    if (!due) {
        driver_.stop();
        return;
    }
    // The virtual clock may run behind real time while handlers work; never ahead.
    const int64_t wait = std::max<int64_t>(0, *due - elapsed());
    driver_.start(int(std::min<int64_t>(wait, 1 << 30)));
}

void Frontend::onDriver() {
    if (app_.messageBoxOpen()) return; // re-armed when the box closes
    const int64_t now = elapsed();
    if (now > app_.clock.now()) app_.advance(now - app_.clock.now(), /*coalesce=*/true);
    arm();
}

void Frontend::show(kt::Form* owner, const std::string& text, const std::string& title) {
    if (stopped_) return;
    QElapsedTimer open;
    open.start();
    driver_.stop();
    QWidget* parent = owner ? static_cast<QWidget*>(view(*owner)) : nullptr;
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, parent);
    // Qt sizes the box to its text; a window manager shows no title in a box narrower than the
    // title and its buttons ("Hai vinto!!" alone gave 102 pixels).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(messageBoxWidth(title), 0, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    if (mode_ == Mode::Watched)
        QTimer::singleShot(2000, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
    box.exec();
    paused_ += open.elapsed();
}

} // namespace ktqt
