#include "view.h"

#include "toolkit/program.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <cmath>

namespace ktqt {

namespace {

constexpr double twips = kt::twipsPerPixel;

QColor qc(kt::Color c) {
    return QColor(c.r, c.g, c.b);
}
int px(float t) {
    return int(std::lround(t / twips));
}
QRect pxRect(float l, float t, float w, float h) {
    return QRect(px(l), px(t), std::max(0, px(l + w) - px(l)), std::max(0, px(t + h) - px(t)));
}

/// Pixmaps made once per picture: premultiplied pixels blit fastest.
const QPixmap& pixmapOf(const kt::Picture& pic) {
    static QHash<qint64, QPixmap> cache;
    const QImage* img = pic.image();
    auto it = cache.find(img->cacheKey());
    if (it == cache.end()) it = cache.insert(img->cacheKey(), QPixmap::fromImage(*img));
    return *it;
}

Qt::PenStyle penStyle(int borderStyle) {
    switch (borderStyle) {
    case 0:
        return Qt::NoPen;
    case 2:
        return Qt::DashLine;
    case 3:
        return Qt::DotLine;
    case 4:
        return Qt::DashDotLine;
    case 5:
        return Qt::DashDotDotLine;
    default:
        return Qt::SolidLine;
    }
}

Look lookOf(const kt::Widget& w) {
    Look l;
    if (!w.Visible) return l;
    switch (w.kind) {
    case kt::Kind::Image: {
        auto& im = static_cast<const kt::Image&>(w);
        if (im.picture.empty()) return l;
        l.rect = pxRect(w.Left, w.Top, w.Width, w.Height) &
                 QRect(px(w.Left), px(w.Top), im.picture.width(), im.picture.height());
        l.picture = im.picture.image();
        break;
    }
    case kt::Kind::Label: {
        auto& lb = static_cast<const kt::Label&>(w);
        l.rect = pxRect(w.Left, w.Top, w.Width, w.Height);
        l.caption = lb.Caption;
        l.color1 = lb.BackColor;
        l.color2 = lb.ForeColor;
        l.style = lb.BorderStyle * 2 + (lb.opaque ? 1 : 0);
        break;
    }
    case kt::Kind::Line: {
        auto& ln = static_cast<const kt::Line&>(w);
        const int pad = ln.BorderWidth / 2 + 2;
        l.rect = QRect(QPoint(px(std::min(ln.X1, ln.X2)), px(std::min(ln.Y1, ln.Y2))),
                       QPoint(px(std::max(ln.X1, ln.X2)), px(std::max(ln.Y1, ln.Y2))))
                     .adjusted(-pad, -pad, pad, pad);
        // The rectangle alone misses a line flipped within the same box.
        l.caption = std::to_string(px(ln.X1)) + "," + std::to_string(px(ln.Y1));
        l.color1 = ln.BorderColor;
        l.style = ln.BorderWidth * 8 + ln.BorderStyle;
        break;
    }
    case kt::Kind::Shape: {
        auto& sh = static_cast<const kt::Shape&>(w);
        l.rect = pxRect(w.Left, w.Top, w.Width, w.Height).adjusted(-1, -1, 1, 1);
        l.color1 = sh.BorderColor;
        l.color2 = sh.FillColor;
        l.style = sh.shape * 4 + (sh.filled ? 1 : 0) + sh.BorderWidth * 16;
        break;
    }
    default:
        break;
    }
    return l;
}

void paintGraphic(QPainter& p, const kt::Widget& w) {
    switch (w.kind) {
    case kt::Kind::Image: {
        auto& im = static_cast<const kt::Image&>(w);
        if (im.picture.empty()) return;
        // Natural size from the left edge, never stretched; a narrower widget clips the picture.
        const QPixmap& pm = pixmapOf(im.picture);
        const double wpx = std::min<double>(im.picture.width(), w.Width / twips);
        const double hpx = std::min<double>(im.picture.height(), w.Height / twips);
        if (wpx <= 0 || hpx <= 0) return;
        p.drawPixmap(QPointF(px(w.Left), px(w.Top)), pm,
                     QRectF(0, 0, std::ceil(wpx), std::ceil(hpx)));
        break;
    }
    case kt::Kind::Label: {
        auto& lb = static_cast<const kt::Label&>(w);
        const QRect r = pxRect(w.Left, w.Top, w.Width, w.Height);
        if (lb.opaque) p.fillRect(r, qc(lb.BackColor));
        QRect text = r;
        if (lb.BorderStyle == 1) {
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            text = r.adjusted(2, 1, -2, -1);
        }
        p.setFont(qtFont(lb.font));
        p.setPen(qc(lb.ForeColor));
        int flags = Qt::AlignTop | (lb.wordWrap ? Qt::TextWordWrap : 0);
        flags |= lb.Alignment == kt::Align::Right    ? Qt::AlignRight
                 : lb.Alignment == kt::Align::Center ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        p.drawText(text, flags, QString::fromStdString(lb.Caption));
        p.restore();
        break;
    }
    case kt::Kind::Line: {
        auto& ln = static_cast<const kt::Line&>(w);
        QPen pen(qc(ln.BorderColor), std::max(1, ln.BorderWidth), penStyle(ln.BorderStyle));
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(QPointF(ln.X1 / twips, ln.Y1 / twips), QPointF(ln.X2 / twips, ln.Y2 / twips));
        break;
    }
    case kt::Kind::Shape: {
        auto& sh = static_cast<const kt::Shape&>(w);
        const QRect r = pxRect(w.Left, w.Top, w.Width, w.Height).adjusted(0, 0, -1, -1);
        p.setPen(QPen(qc(sh.BorderColor), sh.BorderWidth));
        p.setBrush(sh.filled ? QBrush(qc(sh.FillColor)) : QBrush(Qt::NoBrush));
        if (sh.shape == kt::Shape::Oval)
            p.drawEllipse(r);
        else
            p.drawRect(r);
        break;
    }
    default:
        break;
    }
}

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

int shiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? kt::ShiftMask : 0) |
           (m & Qt::ControlModifier ? kt::CtrlMask : 0) | (m & Qt::AltModifier ? kt::AltMask : 0);
}

} // namespace

QFont qtFont(const kt::Font& f) {
    // Pixel sizes keep text in step with the twip geometry whatever the screen's logical DPI.
    QFont q(QStringLiteral("Liberation Sans"));
    q.setPixelSize(std::max(1, int(std::lround(f.size * 96.0 / 72.0))));
    q.setBold(f.bold);
    q.setStyleStrategy(QFont::PreferAntialias);
    return q;
}

void paintLayer(QPainter& p, const kt::Layers& layers, const QRect& clip) {
    for (const kt::Widget* w : layers.graphic) {
        if (!w->Visible) continue;
        const Look l = lookOf(*w);
        if (!l.rect.isEmpty() && !l.rect.intersects(clip)) continue;
        paintGraphic(p, *w);
    }
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
        p.fillRect(rect(), qc(kt::colors::buttonFace));
        const QFont f = qtFont(frame_.font);
        const int th = QFontMetrics(f).height();
        const QRect box = rect().adjusted(0, frame_.Caption.empty() ? 0 : th / 2, -1, -1);
        p.setPen(QColor(160, 160, 160));
        p.drawRect(box);
        p.setPen(Qt::white);
        p.drawRect(box.adjusted(1, 1, 1, 1));
        if (!frame_.Caption.empty()) {
            p.setFont(f);
            const QString cap = QString::fromStdString(frame_.Caption);
            const QRect cr(8, 0, QFontMetrics(f).horizontalAdvance(cap) + 4, th);
            p.fillRect(cr, qc(kt::colors::buttonFace));
            p.setPen(Qt::black);
            p.drawText(cr, Qt::AlignCenter, cap);
        }
        paintLayer(p, frame_, e->rect());
        ++owner_.paints_;
    }
    void mousePressEvent(QMouseEvent* e) override { owner_.press(e, formPixel(e)); }
    void mouseReleaseEvent(QMouseEvent* e) override { owner_.release(e, formPixel(e)); }

private:
    QPoint formPixel(QMouseEvent* e) const { return mapTo(&owner_, e->position().toPoint()); }
    FormView& owner_;
    kt::Frame& frame_;
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
        auto* b = new QPushButton(parent);
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
            if (alive()) app_.setText(static_cast<kt::TextBox&>(w), t.toStdString());
        });
        q = e;
        break;
    }
    case kt::Kind::DriveList: {
        auto* c = new QComboBox(parent);
        connect(c, &QComboBox::activated, this, [this, &w](int row) {
            if (alive()) app_.dispatch([&w, row] { static_cast<kt::DriveList&>(w).activate(row); });
        });
        q = c;
        break;
    }
    case kt::Kind::DirList: {
        // A folder opens on activation (double click or Enter), as a classic folder list does.
        auto* lw = new QListWidget(parent);
        connect(lw, &QListWidget::itemActivated, this, [this, &w, lw](QListWidgetItem* item) {
            const int row = lw->row(item);
            if (alive()) app_.dispatch([&w, row] { static_cast<kt::DirList&>(w).activate(row); });
        });
        q = lw;
        break;
    }
    case kt::Kind::FileList: {
        // A file is chosen as soon as it is selected, by mouse or keyboard.
        auto* lw = new QListWidget(parent);
        connect(lw, &QListWidget::currentRowChanged, this, [this, &w](int row) {
            if (alive() && row >= 0)
                app_.dispatch([&w, row] { static_cast<kt::FileList&>(w).activate(row); });
        });
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
    const QRect r = pxRect(w.Left, w.Top, w.Width, w.Height);
    if (q->geometry() != r) q->setGeometry(r);
    q->setEnabled(w.Enabled);
    switch (w.kind) {
    case kt::Kind::Button: {
        auto& b = static_cast<kt::CommandButton&>(w);
        auto* pb = static_cast<QPushButton*>(q);
        const QString cap = QString::fromStdString(b.Caption);
        if (pb->text() != cap) pb->setText(cap);
        if (b.graphical && !b.picture.empty() && pb->icon().isNull()) {
            pb->setIcon(QIcon(pixmapOf(b.picture)));
            pb->setIconSize(QSize(b.picture.width(), b.picture.height()));
        }
        break;
    }
    case kt::Kind::TextBox: {
        auto& t = static_cast<kt::TextBox&>(w);
        auto* e = static_cast<QLineEdit*>(q);
        const QString s = QString::fromStdString(t.text());
        if (e->text() != s) {
            QSignalBlocker block(e);
            e->setText(s);
        }
        QPalette pal = e->palette();
        pal.setColor(QPalette::Base, qc(t.BackColor));
        e->setPalette(pal);
        break;
    }
    case kt::Kind::DriveList: {
        auto& l = static_cast<kt::DriveList&>(w);
        auto* c = static_cast<QComboBox*>(q);
        const QStringList items = rows(l);
        QStringList now;
        for (int i = 0; i < c->count(); ++i) now << c->itemText(i);
        QSignalBlocker block(c);
        if (now != items) {
            c->clear();
            c->addItems(items);
        }
        if (c->currentIndex() != l.ListIndex) c->setCurrentIndex(l.ListIndex);
        break;
    }
    case kt::Kind::DirList:
    case kt::Kind::FileList: {
        auto& l = dynamic_cast<kt::ListBase&>(w);
        auto* lw = static_cast<QListWidget*>(q);
        const QStringList items = rows(l);
        bool same = lw->count() == items.size();
        for (int i = 0; same && i < lw->count(); ++i) same = lw->item(i)->text() == items[i];
        QSignalBlocker block(lw);
        if (!same) {
            lw->clear();
            lw->addItems(items);
        }
        if (lw->currentRow() != l.ListIndex) lw->setCurrentRow(l.ListIndex);
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
    for (const kt::Widget* w : layers.graphic) {
        Look now = lookOf(*w);
        auto it = looks_.find(w);
        if (it == looks_.end()) {
            local += now.rect;
            looks_.emplace(w, std::move(now));
        } else if (!(it->second == now)) {
            local += it->second.rect;
            local += now.rect;
            it->second = std::move(now);
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
        if (w->kind == kt::Kind::Frame)
            syncLayer(static_cast<kt::Frame&>(*w), q, dirty, origin + q->pos());
        if (form_->focus == w && !q->hasFocus() && w->shown()) q->setFocus();
    }
}

void FormView::sync() {
    if (!form_) return;
    kt::Form& f = *form_;
    const QString title = QString::fromStdString(f.Caption);
    if (windowTitle() != title) setWindowTitle(title);
    const QSize client(px(f.ScaleWidth), px(f.ScaleHeight));
    if (!placed_) {
        placed_ = true;
        if (f.border == kt::Border::Sizable)
            resize(client);
        else
            setFixedSize(client);
        if (f.position) {
            move(px(f.position->first), px(f.position->second));
        } else if (f.centred) {
            if (QScreen* s = QGuiApplication::primaryScreen()) {
                const QRect a = s->availableGeometry();
                move(a.center() - QPoint(client.width() / 2, client.height() / 2));
            }
        }
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
    if (f.visible() && raised_ != f.raiseCount()) {
        raised_ = f.raiseCount();
        // The offscreen platform has no stacking to change, and says so on every call.
        static const bool stacking = QGuiApplication::platformName() != QLatin1String("offscreen");
        if (stacking) {
            raise();
            activateWindow();
        }
    }
}

void FormView::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    if (!form_) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    p.fillRect(e->rect(), qc(form_->BackColor));
    if (!form_->picture.empty()) p.drawPixmap(0, 0, pixmapOf(form_->picture));
    paintLayer(p, *form_, e->rect());
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

bool FormView::eventFilter(QObject* watched, QEvent* e) {
    if (!alive()) return false;
    if (e->type() == QEvent::KeyPress && form_->KeyPreview && e != lastKey_) {
        // A key a child ignores travels on to its parent: preview it once.
        lastKey_ = e;
        auto* k = static_cast<QKeyEvent*>(e);
        if (!k->text().isEmpty()) {
            app_.keyPress(*form_, k->text().at(0).unicode());
            return !alive(); // the key started something that closed this window: swallow it
        }
    }
    if (watched == this) return false;
    kt::Widget* w = nullptr;
    for (auto& [model, q] : natives_)
        if (q == watched) w = model;
    if (!w) return false;
    if (e->type() == QEvent::FocusIn) form_->focus = w;
    if (e->type() == QEvent::MouseButtonPress && w->kind == kt::Kind::Button && w->MouseDown) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (const int b = buttonOf(m->button()))
            app_.mouseDownOn(*w, b, shiftOf(m->modifiers()), float(m->position().x() * twips),
                             float(m->position().y() * twips));
        return !alive();
    }
    return false;
}

} // namespace ktqt
