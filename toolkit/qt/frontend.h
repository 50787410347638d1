// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The Qt side of the program: a view per existing form, kept in step with the model after every
// dispatch; message boxes as modal QMessageBoxes; and, for the real game, a driver that advances
// the virtual clock from real time.

#include "text.h"

#include "toolkit/program.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <map>

namespace ktqt {

class FormView;

class Frontend : public QObject, public kt::MessageBoxPort {
public:
    enum class Mode {
        RealTime, ///< real time drives the clock; message boxes are modal QMessageBoxes
        Scripted, ///< only the caller advances the clock; message boxes are recorded and
                  ///< acknowledged
        Watched,  ///< only the caller advances the clock; message boxes are shown and close by
                  ///< themselves after two seconds
    };
    Frontend(kt::Program& app, Mode mode);
    ~Frontend() override;

    /// Creates, updates and retires views so they match the model's forms.
    void sync();
    /// The view of a form, if it has one.
    FormView* view(const kt::Form& f) const;

    void show(kt::Form* owner, const std::string& text, const std::string& title) override;

    /// Real milliseconds since the frontend was made, less those spent under message boxes.
    int64_t elapsed() const;
    /// Ends the program's event loops, an open message box's included, and shows no further box:
    /// the model finishes what it is doing and nothing more.
    void stop();

private:
    void arm();
    void onDriver();

    kt::Program& app_;
    Mode mode_;
    std::map<uint64_t, FormView*> views_; ///< by form serial
    QTimer driver_;
    QElapsedTimer real_;
    int64_t paused_ = 0; ///< real ms spent under message boxes, which the clock must not see
    bool stopped_ = false;
};

} // namespace ktqt
