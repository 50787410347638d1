// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once
// A widget array: widgets of one kind under one name, addressed by index, sharing one handler.
// Designed elements are made with design(k); load(k) creates element k at run time as a hidden
// copy of element 0 (picture, size, position, handlers), on top of its layer.

#include "widgets.h"

#include <cassert>
#include <memory>
#include <vector>

namespace kt {

class Form;

/// Registers a widget in its form's layers; implemented by Form.
void attachWidget(Form& form, Widget& w, Frame* container);

template <class T> class WidgetArray {
public:
    WidgetArray(Form& form, std::string name)
        : form_(form)
        , name_(std::move(name)) {}
    WidgetArray(const WidgetArray&) = delete;
    WidgetArray& operator=(const WidgetArray&) = delete;

    /// Creates designed element k inside `container` (null: the form itself).
    T& design(int k, Frame* container = nullptr) {
        assert(k >= 0 && !exists(k));
        auto& slot = slot_(k);
        slot = std::make_unique<T>();
        slot->name = name_;
        slot->index = k;
        attachWidget(form_, *slot, container);
        return *slot;
    }

    /// Creates element k as a hidden copy of element 0. Loading an element that exists, or
    /// loading without an element 0, is a programming error: it changes nothing.
    T& load(int k) {
        assert(k > 0 && exists(0) && !exists(k));
        if (k <= 0 || !exists(0) || exists(k)) return (*this)[k];
        auto copy = elems_[0]->clone();
        auto& slot = slot_(k);
        slot.reset(static_cast<T*>(copy.release()));
        slot->index = k;
        slot->Visible = false;
        attachWidget(form_, *slot, slot->container);
        return *slot;
    }

    bool exists(int k) const { return k >= 0 && size_t(k) < elems_.size() && elems_[k]; }

    /// Element k. A missing element is a programming error: the assert fires in debug builds,
    /// and release builds get a detached scratch widget that nothing draws.
    T& operator[](int k) {
        assert(exists(k));
        if (!exists(k)) return scratch_;
        return *elems_[size_t(k)];
    }
    const T& operator[](int k) const {
        assert(exists(k));
        if (!exists(k)) return scratch_;
        return *elems_[size_t(k)];
    }

    /// Highest index + 1 (elements below it may be missing).
    int bound() const { return int(elems_.size()); }
    const std::string& name() const { return name_; }

private:
    std::unique_ptr<T>& slot_(int k) {
        if (size_t(k) >= elems_.size()) elems_.resize(size_t(k) + 1);
        return elems_[size_t(k)];
    }
    Form& form_;
    std::string name_;
    std::vector<std::unique_ptr<T>> elems_;
    T scratch_;
};

} // namespace kt
