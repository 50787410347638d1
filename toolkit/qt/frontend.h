// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The Qt host of a program: a view per existing form, kept in step with the model after every
// dispatch; message boxes as modal QMessageBoxes; captions measured in the game's fonts; the
// caches the views draw from; and, for the real game, real time driving the virtual clock, and
// slow work done on a thread of its own while the windows keep painting.

#include "caches.h"
#include "driver.h"

#include "toolkit/program.h"

#include <QObject>
#include <map>
#include <memory>

namespace ktqt {

class FormView;

class Frontend : public QObject, public kt::Host {
public:
    enum class Mode {
        RealTime, ///< real time drives the clock; message boxes are modal QMessageBoxes
        Scripted, ///< only the caller advances the clock; message boxes are recorded and
                  ///< acknowledged
        Watched,  ///< only the caller advances the clock; message boxes are shown and close by
                  ///< themselves after two seconds
    };
    /// Becomes `app`'s host until it goes.
    Frontend(kt::Program& app, Mode mode);
    ~Frontend() override;

    /// Creates, updates and retires views so they match the model's forms.
    void sync();
    /// The view of a form, if it has one.
    FormView* view(const kt::Form& f) const;

    // The host.
    void synced() override { sync(); }
    void messageBox(kt::Form* owner, const std::string& text, const std::string& title) override;
    std::optional<std::pair<float, float>> measure(const kt::Font& font,
                                                   const std::string& text) override;
    QSize screen() const override;
    void aside(const std::function<void()>& work) override;
    void ended() override;

    /// Shows a modal QMessageBox, whatever the mode, and returns when it has been closed (at once
    /// once stopped). The host's message boxes come here but in a scripted program.
    void showBox(kt::Form* owner, const std::string& text, const std::string& title);
    /// Prepares a picture's sprites for this screen ahead of its first paint.
    void prepare(const kt::Picture& picture);
    Caches& caches() { return caches_; }

    /// Real milliseconds since the frontend was made, less those spent under message boxes.
    int64_t elapsed() const { return time_.elapsed(); }
    /// Ends the program's event loops, an open message box's included, and shows no further box:
    /// the model finishes what it is doing and nothing more.
    void stop();

private:
    kt::Program& app_;
    Mode mode_;
    Caches caches_; ///< before the views, which draw from it, so it goes after them
    std::map<uint64_t, FormView*> views_; ///< by form serial
    FormView* front_ = nullptr;           ///< the window that is not floating, shown last
    RealTime time_;
    std::unique_ptr<ClockDriver> driver_; ///< in real time only
    bool stopped_ = false;
};

} // namespace ktqt
