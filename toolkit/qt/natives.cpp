// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "natives.h"

#include "button.h"
#include "frame.h"
#include "geometry.h"
#include "pictures.h"
#include "rowlist.h"
#include "text.h"
#include "view.h"

#include "toolkit/program.h"

#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <cmath>

namespace ktqt {

namespace {

// The rows of a list as shown, folders indented by their depth.
QStringList rows(const kt::ListBase& l) {
    QStringList out;
    for (size_t i = 0; i < l.entries.size(); ++i) {
        const int indent = i < l.depth.size() ? l.depth[i] : 0;
        out << QString(indent * 2, QLatin1Char(' ')) + QString::fromStdString(l.entries[i]);
    }
    return out;
}

/// Where a windowed widget stands in its container's native widget: the pixels whose top-left
/// corner lies inside it, which is where the model's routing finds it for a press at a pixel.
/// Qt then hands a press to the widget the model would, also in a panel that stands at a
/// fraction of a pixel (the construction panel follows its builder).
QRect nativeRect(const kt::Widget& w) {
    const auto edge = [](float t) { return int(std::ceil(t / twips)); };
    const float l = w.formLeft(), t = w.formTop();
    QRect r(QPoint(edge(l), edge(t)), QPoint(edge(l + w.Width) - 1, edge(t + w.Height) - 1));
    if (w.container) r.translate(-edge(w.container->formLeft()), -edge(w.container->formTop()));
    return r;
}

} // namespace

NativeWidgets::NativeWidgets(kt::Program& app, FormView& owner)
    : app_(app)
    , owner_(owner) {}

QWidget* NativeWidgets::nativeFor(kt::Widget& w, QWidget* parent) {
    Record& record = records_[&w];
    if (record.widget) return record.widget;
    const auto list = [&](RowList::Choose choose) -> QWidget* {
        auto* lw = new RowList(choose, parent);
        lw->chosen = [this, &w](int row) {
            if (owner_.alive()) app_.choose(w, row);
        };
        return lw;
    };
    const auto none = [](const kt::Widget&) -> QWidget* { return nullptr; };
    QWidget* q = kt::visit(
        w, kt::overloaded{
               [&](kt::Frame& f) -> QWidget* { return new FrameView(owner_, f, parent); },
               [&](kt::CommandButton&) -> QWidget* {
                   auto* b = new Button(parent);
                   QObject::connect(b, &QPushButton::clicked, &owner_, [this, &w] {
                       if (owner_.alive()) app_.click(w);
                   });
                   return b;
               },
               [&](kt::TextBox& box) -> QWidget* {
                   auto* e = new QLineEdit(parent);
                   e->setFrame(false);
                   e->setFocusPolicy(Qt::ClickFocus); // the focus comes with a click, not by itself
                   QObject::connect(e, &QLineEdit::textEdited, &owner_,
                                    [this, &box](const QString& t) {
                                        if (!owner_.alive()) return;
                                        const std::string typed = t.toStdString();
                                        records_[&box].text = typed;
                                        app_.setText(box, typed);
                                    });
                   return e;
               },
               [&](kt::DriveList&) -> QWidget* {
                   auto* c = new QComboBox(parent);
                   QObject::connect(c, &QComboBox::activated, &owner_, [this, &w](int row) {
                       if (owner_.alive()) app_.choose(w, row);
                   });
                   return c;
               },
               [&](kt::DirList&) { return list(RowList::Choose::Open); },
               [&](kt::FileList&) { return list(RowList::Choose::Pick); },
               // Graphic widgets are painted by the window; timers are never shown.
               [&](kt::Image& x) { return none(x); }, [&](kt::Label& x) { return none(x); },
               [&](kt::Line& x) { return none(x); }, [&](kt::Shape& x) { return none(x); },
               [&](kt::Timer& x) { return none(x); }});
    if (!q) return nullptr;
    q->installEventFilter(&owner_);
    q->setFont(owner_.caches_.fonts.font(w.form->font));
    record.widget = q;
    return q;
}

void NativeWidgets::sync(kt::Widget& w, QWidget* q) {
    Record& record = records_[&w];
    const QRect r = nativeRect(w);
    if (q->geometry() != r) q->setGeometry(r);
    q->setEnabled(w.Enabled);
    kt::visit(w,
              kt::overloaded{
                  [&](kt::CommandButton& b) {
                      auto* pb = static_cast<Button*>(q);
                      const QString cap = QString::fromStdString(b.Caption);
                      if (pb->text() != cap) pb->setText(cap);
                      if (b.graphical && !b.picture.empty() && !pb->hasPicture) {
                          // The art enlarged by whole pixels for a doubled screen, not smoothed by
                          // the icon.
                          QIcon icon(owner_.caches_.sprites.of(b.picture));
                          icon.addPixmap(owner_.caches_.sprites.of(b.picture, 2));
                          pb->setIcon(icon);
                          pb->setIconSize(QSize(b.picture.width(), b.picture.height()));
                          pb->hasPicture = true;
                      }
                  },
                  [&](kt::TextBox& t) {
                      auto* e = static_cast<QLineEdit*>(q);
                      // Compared as the model holds it, not through a QString at every tick: the
                      // cheat box sits on the battlefield throughout.
                      if (record.text != t.text()) {
                          record.text = t.text();
                          QSignalBlocker block(e);
                          e->setText(QString::fromStdString(t.text()));
                      }
                      if (record.base != t.BackColor) {
                          record.base = t.BackColor;
                          QPalette pal = e->palette();
                          pal.setColor(QPalette::Base, qc(t.BackColor));
                          e->setPalette(pal);
                      }
                  },
                  [&](kt::DriveList& l) {
                      auto* c = static_cast<QComboBox*>(q);
                      QSignalBlocker block(c);
                      if (record.rows != l.entries) {
                          record.rows = l.entries;
                          c->clear();
                          c->addItems(rows(l));
                      }
                      if (c->currentIndex() != l.ListIndex) c->setCurrentIndex(l.ListIndex);
                  },
                  [&](kt::ListBase& l) { // the folder and file lists
                      auto* lw = static_cast<RowList*>(q);
                      QSignalBlocker block(lw);
                      // The rows with their indentation and the chosen one: a folder list can
                      // change depths alone. The list is set only when the model changed it since
                      // the last sync, so that a folder the player has only pressed stays shown
                      // until he opens it.
                      // Compared in place: a copy at every sync cost a folder of 200 000
                      // files 20 ms a tick.
                      bool fresh = !record.chosen;
                      if (record.rows != l.entries || record.depths != l.depth) {
                          record.rows = l.entries;
                          record.depths = l.depth;
                          lw->setRows(l.entries, l.depth);
                          fresh = true;
                      }
                      if (fresh || record.chosen != l.ListIndex) {
                          record.chosen = l.ListIndex;
                          lw->setChosen(l.ListIndex);
                      }
                  },
                  // A frame's own look is its caption, painted; graphic widgets have no native one.
                  [](kt::Frame&) {}, [](kt::Image&) {}, [](kt::Label&) {}, [](kt::Line&) {},
                  [](kt::Shape&) {}, [](kt::Timer&) {}});
    if (q->isVisibleTo(q->parentWidget()) != w.Visible) q->setVisible(w.Visible);
}

kt::Widget* NativeWidgets::modelOf(const QObject* native) const {
    for (const auto& [model, record] : records_)
        if (record.widget == native) return model;
    return nullptr;
}

} // namespace ktqt
