// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// The program's state as JSON, keyed by the designed names: what a script runner prints and what
// end-to-end tests read.

#include <QJsonObject>

namespace kt {

class Program;
class Form;
struct Widget;

/// The visible properties of one widget.
QJsonObject describe(const Widget& w);
/// A form: caption, visibility, its own state (Form::describe) and every widget under its key.
QJsonObject describe(const Form& f);
/// Every existing form by class name, the message log and the clock.
QJsonObject describe(const Program& p);

} // namespace kt
