// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "view.h"

#include "paint.h"
#include "rowlist.h"

#include "toolkit/program.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>
#include <cmath>
#include <tuple>

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

/// Asks the processor for the first bytes of a widget, where a view reads its look.
void prefetch(const kt::Widget* w) {
#if defined(__GNUC__) || defined(__clang__)
    const char* at = reinterpret_cast<const char*>(w);
    for (int line = 0; line < 4; ++line) __builtin_prefetch(at + 64 * line);
#else
    (void)w;
#endif
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

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kt::ShiftMask : 0) |
           (m & Qt::ControlModifier ? kt::CtrlMask : 0) | (m & Qt::AltModifier ? kt::AltMask : 0);
}

} // namespace

void FormView::paintGraphic(QPainter& p, const kt::Widget& w, int scale) {
    switch (w.kind) {
    case kt::Kind::Image: {
        auto& im = static_cast<const kt::Image&>(w);
        const QRect r = imageRect(im);
        if (r.isEmpty()) return;
        const int s = std::max(scale, 1);
        const Sprite& sprite = spriteOf(im.picture, s);
        const QPoint at = r.topLeft();
        const QRect source(QPoint(0, 0), r.size() * s);
        if (!rasterSprite(p, sprite, at, source)) p.drawPixmap(at, sprite.pixmap, source);
        break;
    }
    case kt::Kind::Label: {
        auto& lb = static_cast<const kt::Label&>(w);
        const QRect r = pxRect(w.Left, w.Top, w.Width, w.Height);
        if (scale == 0 || r.isEmpty()) return drawLabel(p, lb, r);
        // Laying out text costs far more than copying it: the caption is drawn once per change.
        std::string key =
            keyOf(r.size(), scale, lb.BackColor, lb.ForeColor, lb.opaque, lb.BorderStyle,
                  lb.Alignment, lb.wordWrap, lb.font.size, lb.font.bold);
        key += lb.font.name + '\n' + lb.Caption;
        Drawn& cache = drawn_[&w];
        if (lb.opaque && cache.key != key) {
            // A caption that changes from one paint to the next (the money, ten times a second)
            // goes straight to the window: an opaque label fills its rectangle, so the pixels
            // are those a copy would give. It is kept once it stands for a second paint.
            cache.key = std::move(key);
            cache.kept = false;
            return drawLabel(p, lb, r);
        }
        throughImage(p, cache, std::move(key), r, scale, lb.opaque,
                     [&](QPainter& q) { drawLabel(q, lb, r); });
        break;
    }
    case kt::Kind::Line: {
        auto& ln = static_cast<const kt::Line&>(w);
        if (ln.BorderStyle == 1 && rasterLine(p, ln, scale)) return;
        QPen pen(qc(ln.BorderColor), std::max(1, ln.BorderWidth), penStyle(ln.BorderStyle));
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(QPointF(ln.X1 / twips, ln.Y1 / twips), QPointF(ln.X2 / twips, ln.Y2 / twips));
        break;
    }
    case kt::Kind::Shape: {
        auto& sh = static_cast<const kt::Shape&>(w);
        const QRect r = pxRect(w.Left, w.Top, w.Width, w.Height).adjusted(0, 0, -1, -1);
        if (scale == 0) return drawShape(p, sh, r);
        // The selection oval follows every step of the selected unit: one copy, not an ellipse.
        const QRect area = r.adjusted(-1, -1, 2, 2);
        throughImage(p, drawn_[&w],
                     keyOf(r.size(), scale, sh.BorderColor, sh.FillColor, sh.filled, sh.BorderWidth,
                           sh.shape),
                     area, scale, false, [&](QPainter& q) { drawShape(q, sh, r); });
        break;
    }
    default:
        break;
    }
}

const FormView::LayerLooks* FormView::synced(const kt::Layers& layers) const {
    auto it = looks_.find(&layers);
    if (it == looks_.end() || !std::equal(it->second.widgets.begin(), it->second.widgets.end(),
                                          layers.graphic.begin(), layers.graphic.end()))
        return nullptr;
    return &it->second;
}

std::optional<size_t> FormView::coveredBy(const kt::Layers& layers, const QRect& bounds) const {
    const LayerLooks* last = synced(layers);
    if (!last) return std::nullopt;
    for (size_t i = last->looks.size(); i-- > 0;) {
        const Look& look = last->looks[i];
        if (!look.rect.contains(bounds)) continue;
        const kt::Widget& w = *layers.graphic[i];
        if (w.kind == kt::Kind::Label && static_cast<const kt::Label&>(w).opaque) return i;
    }
    return std::nullopt;
}

void FormView::paintLayer(QPainter& p, const kt::Layers& layers, const QRegion& region, int scale,
                          size_t from) {
    const QRect bounds = region.boundingRect();
    const bool simple = region.rectCount() <= 1;
    const auto meets = [&](const QRect& r) {
        return !r.isEmpty() && r.intersects(bounds) && (simple || region.intersects(r));
    };
    // The battlefield holds hundreds of graphic widgets, and a repaint of the money label meets
    // three of them. The last sync left every one's rectangle in a flat array: culling through it
    // touches a few kilobytes, not each widget object in turn.
    if (const LayerLooks* last = synced(layers)) {
        for (size_t i = from; i < last->looks.size(); ++i)
            if (meets(last->looks[i].rect)) paintGraphic(p, *layers.graphic[i], scale);
        return;
    }
    // Until a sync has seen this container's widgets as they are now, each widget is asked.
    for (size_t i = from; i < layers.graphic.size(); ++i)
        if (const kt::Widget* w = layers.graphic[i]; w->Visible && meets(rectOf(*w)))
            paintGraphic(p, *w, scale);
}

/// A frame: a panel that paints its caption, border and graphic children and hosts its windowed
/// children. Presses on its free area and its graphic children go through the model's routing.
class FrameView : public QWidget {
public:
    FrameView(FormView& owner, kt::Frame& frame, QWidget* parent)
        : QWidget(parent)
        , owner_(owner)
        , frame_(frame) {
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!owner_.alive()) return;
        QPainter p(this);
        const int scale = wholeScale(p);
        if (scale == 0) {
            drawPanel(p);
        } else {
            // The panel itself changes only with its size or caption: drawn once, then copied.
            std::string key = keyOf(size(), scale) + frame_.Caption + '\n' + frame_.font.name +
                              keyOf(frame_.font.size, frame_.font.bold);
            throughImage(p, panel_, std::move(key), rect(), scale, true,
                         [this](QPainter& q) { drawPanel(q); });
        }
        owner_.paintLayer(p, frame_, e->region(), scale);
        ++owner_.paints_;
    }
    void mousePressEvent(QMouseEvent* e) override { owner_.press(e, formPixel(e)); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_.release(e, formPixel(e)); }

private:
    void drawPanel(QPainter& p) {
        p.fillRect(rect(), qc(kt::colors::buttonFace));
        const QFont f = qtFont(frame_.font);
        const QFontMetrics metrics(f);
        const int th = metrics.height();
        const QRect box = rect().adjusted(0, frame_.Caption.empty() ? 0 : th / 2, -1, -1);
        p.setPen(QColor(160, 160, 160));
        p.drawRect(box);
        p.setPen(Qt::white);
        p.drawRect(box.adjusted(1, 1, 1, 1));
        if (!frame_.Caption.empty()) {
            p.setFont(f);
            const QString cap = QString::fromStdString(frame_.Caption);
            const QRect cr(8, 0, metrics.horizontalAdvance(cap) + 4, th);
            p.fillRect(cr, qc(kt::colors::buttonFace));
            p.setPen(Qt::black);
            p.drawText(cr, Qt::AlignCenter, cap);
        }
    }
    QPoint formPixel(QMouseEvent* e) const { return mapTo(&owner_, e->position().toPoint()); }
    FormView& owner_;
    kt::Frame& frame_;
    Drawn panel_;
};

/// A push button that has the style draw its look once per state (pressed, focused, hovered, its
/// text and icon, the scale) and then only copies it: the style's bevel, text and icon cost many
/// times the copy, and the open training panel holds eight of them.
class Button : public QPushButton {
public:
    explicit Button(QWidget* parent)
        : QPushButton(parent) {}
    bool hasPicture = false; ///< its icon is set (once: a designed picture never changes)

protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionButton option;
        initStyleOption(&option);
        QPainter p(this);
        const int scale = wholeScale(p);
        if (scale == 0) {
            p.end();
            QStylePainter(this).drawControl(QStyle::CE_PushButton, option);
            return;
        }
        Key key{int(option.state),
                int(option.features),
                option.text,
                option.icon.cacheKey(),
                option.iconSize,
                size(),
                scale,
                palette().cacheKey(),
                font()};
        if (!(key == key_) || look_.isNull()) {
            key_ = std::move(key);
            QImage img(size() * scale, QImage::Format_ARGB32_Premultiplied);
            img.setDevicePixelRatio(scale);
            img.fill(Qt::transparent);
            {
                QStylePainter sp(&img, this);
                sp.drawControl(QStyle::CE_PushButton, option);
            }
            look_ = QPixmap::fromImage(std::move(img));
        }
        p.drawPixmap(0, 0, look_);
    }

private:
    struct Key {
        int state = 0, features = 0;
        QString text;
        qint64 icon = 0;
        QSize iconSize, size;
        int scale = 0;
        qint64 palette = 0;
        QFont font;
        bool operator==(const Key&) const = default;
    } key_;
    QPixmap look_;
};

FormView::FormView(kt::Program& app, kt::Form& form)
    : QWidget(nullptr)
    , app_(app)
    , form_(&form)
    , serial_(form.serial()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(form.className());
    Qt::WindowFlags flags = Qt::Window;
    switch (form.border) {
    case kt::Border::Sizable:
        break;
    case kt::Border::Fixed:
    case kt::Border::FixedDialog:
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (form.closeBox) flags |= Qt::WindowCloseButtonHint;
        // A fixed dialog with neither caption nor control box has no title bar at all.
        if (!form.closeBox && form.Caption.empty()) flags = Qt::Window | Qt::FramelessWindowHint;
        break;
    }
    setWindowFlags(flags);
    installEventFilter(this);
}

FormView::~FormView() = default;

bool FormView::alive() const {
    return form_ != nullptr;
}

void FormView::detach() {
    form_ = nullptr;
    pressed_ = nullptr;
    natives_.clear();
    orders_.clear();
    looks_.clear();
    drawn_.clear();
    rows_.clear();
    chosen_.clear();
    bases_.clear();
    texts_.clear();
    hide();
    deleteLater();
}

QWidget* FormView::nativeFor(kt::Widget& w, QWidget* parent) {
    auto it = natives_.find(&w);
    if (it != natives_.end() && it->second) return it->second;
    QWidget* q = nullptr;
    switch (w.kind) {
    case kt::Kind::Frame:
        q = new FrameView(*this, static_cast<kt::Frame&>(w), parent);
        break;
    case kt::Kind::Button: {
        auto* b = new Button(parent);
        connect(b, &QPushButton::clicked, this, [this, &w] {
            if (alive()) app_.click(w);
        });
        q = b;
        break;
    }
    case kt::Kind::TextBox: {
        auto* e = new QLineEdit(parent);
        e->setFrame(false);
        e->setFocusPolicy(Qt::ClickFocus); // a text box takes the focus when clicked, not by itself
        connect(e, &QLineEdit::textEdited, this, [this, &w](const QString& t) {
            if (!alive()) return;
            const std::string typed = t.toStdString();
            texts_[&w] = typed;
            app_.setText(static_cast<kt::TextBox&>(w), typed);
        });
        q = e;
        break;
    }
    case kt::Kind::DriveList: {
        auto* c = new QComboBox(parent);
        connect(c, &QComboBox::activated, this, [this, &w](int row) {
            if (alive()) app_.choose(w, row);
        });
        q = c;
        break;
    }
    case kt::Kind::DirList:
    case kt::Kind::FileList: {
        auto* lw = new RowList(
            w.kind == kt::Kind::DirList ? RowList::Choose::Open : RowList::Choose::Pick, parent);
        lw->chosen = [this, &w](int row) {
            if (alive()) app_.choose(w, row);
        };
        q = lw;
        break;
    }
    default:
        return nullptr;
    }
    q->installEventFilter(this);
    q->setFont(qtFont(form_->font));
    natives_[&w] = q;
    return q;
}

void FormView::syncNative(kt::Widget& w, QWidget* q) {
    const QRect r = nativeRect(w);
    if (q->geometry() != r) q->setGeometry(r);
    q->setEnabled(w.Enabled);
    switch (w.kind) {
    case kt::Kind::Button: {
        auto& b = static_cast<kt::CommandButton&>(w);
        auto* pb = static_cast<QPushButton*>(q);
        const QString cap = QString::fromStdString(b.Caption);
        if (pb->text() != cap) pb->setText(cap);
        if (auto* look = static_cast<Button*>(pb);
            b.graphical && !b.picture.empty() && !look->hasPicture) {
            // The art enlarged by whole pixels for a doubled screen, not smoothed by the icon.
            QIcon icon(pixmapOf(b.picture));
            icon.addPixmap(pixmapOf(b.picture, 2));
            pb->setIcon(icon);
            pb->setIconSize(QSize(b.picture.width(), b.picture.height()));
            look->hasPicture = true;
        }
        break;
    }
    case kt::Kind::TextBox: {
        auto& t = static_cast<kt::TextBox&>(w);
        auto* e = static_cast<QLineEdit*>(q);
        // Compared as the model holds it, not through a QString at every tick: the cheat box
        // sits on the battlefield throughout.
        if (auto [it, fresh] = texts_.try_emplace(&w, t.text()); fresh || it->second != t.text()) {
            it->second = t.text();
            QSignalBlocker block(e);
            e->setText(QString::fromStdString(t.text()));
        }
        if (auto [it, fresh] = bases_.try_emplace(&w, t.BackColor);
            fresh || it->second != t.BackColor) {
            it->second = t.BackColor;
            QPalette pal = e->palette();
            pal.setColor(QPalette::Base, qc(t.BackColor));
            e->setPalette(pal);
        }
        break;
    }
    case kt::Kind::DriveList: {
        auto& l = static_cast<kt::DriveList&>(w);
        auto* c = static_cast<QComboBox*>(q);
        QSignalBlocker block(c);
        if (auto& shown = rows_[&w]; shown != l.entries) {
            shown = l.entries;
            c->clear();
            c->addItems(rows(l));
        }
        if (c->currentIndex() != l.ListIndex) c->setCurrentIndex(l.ListIndex);
        break;
    }
    case kt::Kind::DirList:
    case kt::Kind::FileList: {
        auto& l = dynamic_cast<kt::ListBase&>(w);
        auto* lw = static_cast<RowList*>(q);
        QSignalBlocker block(lw);
        // The rows with their indentation and the chosen one: a folder list can change depths
        // alone. The list is set only when the model changed it since the last sync, so that a
        // folder the player has only pressed stays shown until he opens it.
        std::vector<std::string> now = l.entries;
        for (int d : l.depth) now.push_back(std::to_string(d));
        auto [index, fresh] = chosen_.try_emplace(&w, l.ListIndex);
        if (auto& shown = rows_[&w]; shown != now) {
            shown = std::move(now);
            lw->setRows(l.entries, l.depth, l.ListIndex);
            fresh = true;
        }
        if (fresh || index->second != l.ListIndex) {
            index->second = l.ListIndex;
            lw->setCurrentRow(l.ListIndex);
        }
        break;
    }
    default:
        break;
    }
    if (q->isVisibleTo(q->parentWidget()) != w.Visible) q->setVisible(w.Visible);
}

void FormView::syncLayer(const kt::Layers& layers, QWidget* host, QRegion& dirty,
                         const QPoint& origin) {
    QRegion local;
    LayerLooks& last = looks_[&layers];
    if (!std::equal(last.widgets.begin(), last.widgets.end(), layers.graphic.begin(),
                    layers.graphic.end())) {
        // Widgets were loaded or unloaded: carry over the looks of those that stay; a new one
        // starts with no look, so that it is painted.
        std::unordered_map<const kt::Widget*, Look> kept;
        for (size_t i = 0; i < last.widgets.size(); ++i)
            kept.emplace(last.widgets[i], std::move(last.looks[i]));
        last.widgets.assign(layers.graphic.begin(), layers.graphic.end());
        last.looks.assign(last.widgets.size(), Look());
        for (size_t i = 0; i < last.widgets.size(); ++i)
            if (auto it = kept.find(last.widgets[i]); it != kept.end()) {
                last.looks[i] = std::move(it->second);
                kept.erase(it);
            }
        // Where a widget that went away was shown must be repainted too.
        for (const auto& [gone, look] : kept) local += look.rect;
    }
    for (size_t i = 0; i < last.widgets.size(); ++i) {
        // The widgets lie apart in memory, and a tick finds most of them out of the cache: the
        // ones a few steps ahead are fetched while this one is compared.
        if (i + 6 < last.widgets.size()) prefetch(last.widgets[i + 6]);
        Look now = lookOf(*last.widgets[i]);
        if (!(last.looks[i] == now)) {
            local += last.looks[i].rect;
            local += now.rect;
            last.looks[i] = std::move(now);
        }
    }
    if (!local.isEmpty()) {
        host->update(local);
        dirty += local.translated(origin);
    }
    // Keep the native stacking in the model's z-order, back to front.
    auto& order = orders_[&layers];
    const bool restack = order != layers.windowed;
    if (restack) order = layers.windowed;
    for (kt::Widget* w : layers.windowed) {
        QWidget* q = nativeFor(*w, host);
        if (!q) continue;
        syncNative(*w, q);
        if (restack) q->raise();
        // A hidden frame's children wait until it shows: nothing of them can be seen, and the
        // sprite store and the closed panels would cost a look per widget at every tick.
        if (w->kind == kt::Kind::Frame && w->Visible)
            syncLayer(static_cast<kt::Frame&>(*w), q, dirty, origin + q->pos());
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
    const QSize client(px(f.ScaleWidth), px(f.ScaleHeight));
    if (!placed_) {
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
                at = s->availableGeometry().center() -
                     QPoint(client.width() / 2, client.height() / 2);
        }
        if (at)
            setGeometry(QRect(*at, client));
        else
            resize(client);
    }
    QRegion dirty;
    const Backdrop now{f.BackColor, f.picture.image()};
    if (!(now == backdrop_)) {
        backdrop_ = now;
        dirty += rect();
        update();
    }
    syncLayer(f, this, dirty, QPoint(0, 0));
    lastDirty_ = dirty;
    if (f.visible() != isVisible()) setVisible(f.visible());
    bool raisedNow = false;
    if (f.visible() && raised_ != f.raiseCount()) {
        raised_ = f.raiseCount();
        raisedNow = true;
        if (stacking()) {
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

void FormView::keepAbove() {
    if (alive() && form_->floating && isVisible() && stacking()) raise();
}

void FormView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (!form_) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    const QRegion region = e->region();
    const int scale = wholeScale(p);
    // What an opaque label covers whole, the money label's own repaint ten times a second, is
    // painted from that label up: the background and the sprites beneath it would not show.
    if (const auto cover = scale ? coveredBy(*form_, region.boundingRect()) : std::nullopt) {
        paintLayer(p, *form_, region, scale, *cover);
        ++paints_;
        return;
    }
    // Each pixel once: the colour where the picture does not reach, the picture where it does,
    // and only inside the region that changed.
    const kt::Picture& pic = form_->picture;
    const QRect covered = pic.empty() ? QRect() : QRect(0, 0, pic.width(), pic.height());
    for (const QRect& r : covered.isEmpty() ? region : region.subtracted(covered))
        p.fillRect(r, qc(form_->BackColor));
    if (!covered.isEmpty()) {
        const QRegion shown = region.intersected(covered);
        // On a HiDPI screen an opaque background is enlarged while it is copied. Whether the
        // target can take that does not depend on the rectangle: the first one decides.
        const QImage plain = scale >= 2 ? pixmapOf(pic).toImage() : QImage();
        if (plain.isNull() || !std::all_of(shown.begin(), shown.end(), [&](const QRect& r) {
                return rasterEnlarge(p, plain, r, scale);
            })) {
            const int s = std::max(scale, 1);
            const QPixmap pm = pixmapOf(pic, s);
            for (const QRect& r : shown)
                p.drawPixmap(r.topLeft(), pm, QRect(r.topLeft() * s, r.size() * s));
        }
    }
    paintLayer(p, *form_, region, scale);
    ++paints_;
}

void FormView::press(QMouseEvent* e, QPoint pos) {
    pressed_ = nullptr;
    if (!alive()) return;
    const int button = buttonOf(e->button());
    if (!button) return;
    pressed_ = app_.mouseDown(*form_, float(pos.x() * twips), float(pos.y() * twips), button,
                              shiftOf(e->modifiers()));
    if (!alive()) pressed_ = nullptr;
}

void FormView::release(QMouseEvent* e, QPoint pos) {
    kt::Widget* w = pressed_;
    pressed_ = nullptr;
    if (!alive() || !w || e->button() != Qt::LeftButton) return;
    if (app_.hit(*form_, float(pos.x() * twips), float(pos.y() * twips)) == w) app_.click(*w);
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
    if (alive()) app_.closeBox(*form_);
}

bool FormView::key(QKeyEvent* k) {
    // Tab and Shift+Tab move the focus, as on every desktop; a key that types nothing (Shift,
    // an arrow) is no character at all.
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->text().isEmpty()) return false;
    const int code = k->text().at(0).unicode();
    bool mine = form_->KeyPreview;
    for (kt::Widget* w : form_->widgets())
        if (w->kind == kt::Kind::Button) {
            const auto& b = static_cast<const kt::CommandButton&>(*w);
            mine = mine || (code == 13 && b.Default) || (code == 27 && b.Cancel);
        }
    if (!mine) return false;
    app_.keyPress(*form_, code);
    return true;
}

bool FormView::eventFilter(QObject* watched, QEvent* e) {
    if (!alive()) return false;
    // A key reaches the focused widget first and travels up to its parents when ignored: only its
    // first delivery is the player's key.
    if (e->type() == QEvent::KeyPress) {
        QWidget* focused = QApplication::focusWidget();
        if (watched != (focused ? focused : this)) return false;
        return key(static_cast<QKeyEvent*>(e));
    }
    if (watched == this) return false;
    kt::Widget* w = nullptr;
    for (auto& [model, q] : natives_)
        if (q == watched) w = model;
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
    // The window manager brings an activated window to the front when it gets to it, after any
    // raise asked for alongside: the floating windows go back above once it has.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && alive() && !form_->floating)
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<FormView*>(w)) v->keepAbove();
    QWidget::changeEvent(e);
}

bool FormView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && alive()) {
        // A label that shortens its caption tells the whole of it on hover.
        auto* help = static_cast<QHelpEvent*>(e);
        const kt::Widget* w =
            app_.hit(*form_, float(help->pos().x() * twips), float(help->pos().y() * twips));
        if (w && w->kind == kt::Kind::Label) {
            const auto& lb = static_cast<const kt::Label&>(*w);
            const QRect r = pxRect(w->formLeft(), w->formTop(), w->Width, w->Height);
            if (elided(lb, r)) {
                QToolTip::showText(help->globalPos(), QString::fromStdString(lb.Caption), this, r);
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
