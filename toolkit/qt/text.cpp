// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "text.h"

#include "geometry.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QRawFont>
#include <QVarLengthArray>
#include <fontconfig/fontconfig.h>

namespace ktqt {

// Fontconfig keeps one process-wide configuration and builds it at most once; Qt's own FcInit
// then finds it ready. Should Qt get there first, both build one and the loser's is dropped, so
// the race costs time, never correctness.
FontConfigWarmup::FontConfigWarmup()
    : thread_([] { FcInit(); }) {}

FontConfigWarmup::~FontConfigWarmup() {
    join();
}

void FontConfigWarmup::join() {
    if (thread_.joinable()) thread_.join();
}

void loadFonts() {
    static bool done = false;
    if (done) return;
    done = true;
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Regular.ttf"));
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Bold.ttf"));
    Fonts fonts;
    QApplication::setFont(fonts.font(kt::Font{"MS Sans Serif", 8.25f, false}));
}

const Fonts::Glyphs& Fonts::glyphs(const kt::Font& f) {
    auto [it, fresh] = glyphs_.try_emplace({f.name, f.size, f.bold});
    if (fresh) {
        Glyphs& g = it->second;
        g.raw = QRawFont::fromFont(font(f));
        for (int c = 32; c < 127; ++c) {
            const QChar ch(c);
            int n = 1;
            quint32& index = g.index[size_t(c - 32)];
            QPointF advance;
            if (!g.raw.glyphIndexesForChars(&ch, 1, &index, &n) ||
                !g.raw.advancesForGlyphIndexes(&index, &advance, 1))
                index = 0;
            g.advance[size_t(c - 32)] = advance.x();
        }
    }
    return it->second;
}

/// Draws a caption that fits on one line as a run of glyphs at the positions Qt's own layout
/// gives them. The money label changes ten times a second, and a text layout (items, line
/// breaks, shaping, metrics) costs several times the drawing: with the glyphs and advances of the
/// plain ASCII characters looked up once, only the drawing is left. Returns false for any other
/// caption (another character, a line that would wrap), which Qt lays out as usual.
bool Fonts::drawRun(QPainter& p, const kt::Label& lb, const QRect& r, const QRect& text) {
    const std::string& caption = lb.Caption;
    if (caption.empty() || caption.size() > 200) return false;
    const Glyphs& g = glyphs(lb.font);
    if (!g.raw.isValid()) return false;
    QVarLengthArray<quint32, 64> indexes;
    QVarLengthArray<QPointF, 64> positions;
    qreal x = 0;
    for (const char ch : caption) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 126 || g.index[c - 32] == 0) return false;
        indexes.push_back(g.index[c - 32]);
        positions.push_back(QPointF(x, 0));
        x += g.advance[c - 32];
    }
    if (x > text.width()) return false;
    // Qt centres in its fixed point of 1/64 pixel, halving with the remainder dropped; a finer
    // offset would put glyphs of a doubled screen a subpixel step away from where it puts them.
    const qreal room = text.width() - x;
    const qreal left = lb.Alignment == kt::Align::Right    ? room
                       : lb.Alignment == kt::Align::Center ? std::floor(room * 64 / 2) / 64
                                                           : 0;
    QGlyphRun run;
    run.setRawFont(g.raw);
    run.setGlyphIndexes(QList<quint32>(indexes.begin(), indexes.end()));
    run.setPositions(QList<QPointF>(positions.begin(), positions.end()));
    const QPointF origin(text.left() + left, text.top() + g.raw.ascent());
    // A label shorter than its font is cut at its edge, as Qt's layout would be.
    const bool cut = text.top() + g.raw.ascent() + g.raw.descent() > r.bottom() + 1;
    if (cut) {
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
    }
    p.drawGlyphRun(origin, run);
    if (cut) p.restore();
    return true;
}

bool Fonts::elided(const kt::Label& lb, const QRect& r) {
    if (!lb.ellipsis) return false;
    const int room = r.width() - (lb.BorderStyle == 1 ? 4 : 0);
    return QFontMetrics(font(lb.font)).horizontalAdvance(QString::fromStdString(lb.Caption)) > room;
}

QStringList Fonts::shortened(const kt::Label& lb, QSize size) {
    const QFontMetrics m(font(lb.font));
    const int width = size.width();
    const size_t keep = std::min(lb.keep, lb.Caption.size());
    const QString head = QString::fromStdString(lb.Caption.substr(0, lb.Caption.size() - keep));
    const QString tail = QString::fromStdString(lb.Caption.substr(lb.Caption.size() - keep));
    const int dots = m.horizontalAdvance(QStringLiteral("\u2026"));
    // The head shortened to leave room for what follows it on its line; null when none is left.
    const auto before = [&](const QString& rest) {
        const int room = width - m.horizontalAdvance(rest);
        return room >= dots ? m.elidedText(head, Qt::ElideMiddle, room) + rest : QString();
    };
    if (keep > 0) {
        if (const QString one = before(tail); !one.isNull()) return {one};
        // The longest end of the tail that starts after a blank and fits a line of its own, set
        // at the bottom of the area where its glyphs stay clear of the first line's.
        for (qsizetype at = 0; (at = tail.indexOf(' ', at)) >= 0;) {
            qsizetype next = at;
            while (next < tail.size() && tail[next] == ' ') ++next;
            const QString second = tail.mid(next);
            if (m.horizontalAdvance(second) <= width) {
                const QString first = before(tail.left(at));
                const int firstBottom = m.ascent() + m.tightBoundingRect(first).bottom();
                const int secondTop =
                    size.height() - m.descent() + m.tightBoundingRect(second).top();
                if (!first.isNull() && secondTop > firstBottom) return {first, second};
                break;
            }
            at = next;
        }
    }
    return {m.elidedText(head + tail, Qt::ElideMiddle, width)};
}

std::pair<float, float> Fonts::measure(const kt::Font& f, const std::string& text) {
    const QSize s = QFontMetrics(font(f)).size(Qt::TextSingleLine, QString::fromStdString(text));
    return {float(s.width()) * kt::twipsPerPixel, float(s.height()) * kt::twipsPerPixel};
}

void Fonts::drawLabel(QPainter& p, const kt::Label& lb, const QRect& r) {
    if (lb.opaque) p.fillRect(r, qc(lb.BackColor));
    QRect text = r;
    if (lb.BorderStyle == 1) {
        // A one-pixel frame inside the rectangle, as four fills: stroking it with a pen costs a
        // third of the label's drawing, most of it the stroker setting itself up.
        const int w = r.width(), h = r.height();
        for (const QRect& edge : {QRect(r.left(), r.top(), w, 1), QRect(r.left(), r.bottom(), w, 1),
                                  QRect(r.left(), r.top(), 1, h), QRect(r.right(), r.top(), 1, h)})
            p.fillRect(edge, Qt::black);
        text = r.adjusted(2, 1, -2, -1);
    }
    p.setPen(qc(lb.ForeColor));
    if (lb.ellipsis && elided(lb, r)) {
        const QFont& f = font(lb.font);
        p.setFont(f);
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        const QStringList lines = shortened(lb, text.size());
        p.drawText(text, Qt::AlignTop | Qt::AlignLeft | Qt::TextSingleLine, lines.front());
        if (lines.size() > 1)
            p.drawText(text, Qt::AlignBottom | Qt::AlignLeft | Qt::TextSingleLine, lines.back());
        p.restore();
        return;
    }
    if (drawRun(p, lb, r, text)) return;
    p.setFont(font(lb.font));
    int flags = Qt::AlignTop | (lb.wordWrap ? Qt::TextWordWrap : 0);
    flags |= lb.Alignment == kt::Align::Right    ? Qt::AlignRight
             : lb.Alignment == kt::Align::Center ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.drawText(text, flags, QString::fromStdString(lb.Caption));
    p.restore();
}

const QFont& Fonts::font(const kt::Font& f) {
    // Made once per design font: a QFont resolves its family on first use, which costs.
    auto [it, fresh] = fonts_.try_emplace({f.name, f.size, f.bold});
    if (fresh) {
        // Pixel sizes keep text in step with the twip geometry whatever the screen's logical DPI.
        QFont q(QStringLiteral("Liberation Sans"));
        q.setPixelSize(std::max(1, int(std::lround(f.size * 96.0 / 72.0))));
        q.setBold(f.bold);
        // Captions are short Latin text, and the money label changes ten times a second: plain
        // glyph lookups instead of a full shaping pass (and no kerning, which it would need) make
        // drawing one several times cheaper, with the same glyphs.
        q.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::PreferNoShaping));
        q.setKerning(false);
        it->second = q;
    }
    return it->second;
}

int messageBoxWidth(const std::string& title) {
    // The title bar's font is the window manager's: allow half again the application's bold
    // font, and room for a title bar's icon and three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int text = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title));
    return std::max(240, text * 3 / 2 + 160);
}

} // namespace ktqt
