// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "paint.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QLineEdit>
#include <QListWidget>
#include <QPaintEngine>
#include <QPainter>
#include <QPushButton>
#include <QRawFont>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QVarLengthArray>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <algorithm>
#include <memory>
#include <tuple>
#include <unordered_map>

namespace ktqt {

QColor qc(kt::Color c) {
    return QColor(c.r, c.g, c.b);
}
int px(float t) {
    return int(std::lround(t / twips));
}
QRect pxRect(float l, float t, float w, float h) {
    return QRect(px(l), px(t), std::max(0, px(l + w) - px(l)), std::max(0, px(t + h) - px(t)));
}

/// Whole device pixels per logical pixel of the painter's target (1 on a plain screen, 2 on a
/// doubled HiDPI one), or 0 when its transform is anything else: a fractional scale, a rotation.
int wholeScale(const QPainter& p) {
    const QTransform t = p.deviceTransform();
    if (t.type() > QTransform::TxScale || t.m11() != t.m22()) return 0;
    const double s = t.m11();
    if (s < 1 || s > 8 || s != std::floor(s)) return 0;
    if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy())) return 0;
    return int(s);
}

bool opaque(const QImage& img) {
    if (!img.hasAlphaChannel()) return true;
    if (img.format() != QImage::Format_ARGB32_Premultiplied) return false;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) != 255) return false;
    }
    return true;
}

namespace {

bool binaryAlpha(const QImage& img) {
    if (img.format() != QImage::Format_ARGB32_Premultiplied) return false;
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(row[x]) != 255 && row[x] != 0) return false;
    }
    return true;
}

} // namespace

/// Pixmaps made once per picture and device scale. Premultiplied pixels blit fastest; a picture
/// without transparency (a background photograph) becomes plain RGB so that it is copied rather
/// than blended; at a whole device scale every art pixel is enlarged once, nearest-neighbour, to
/// an s x s block, so that drawing it is a 1:1 copy that stays crisp.
const Sprite& spriteOf(const kt::Picture& pic, int scale) {
    // Node-based: a sprite stays where it is while others are added.
    static std::unordered_map<qint64, std::array<std::unique_ptr<Sprite>, 8>> cache;
    static qint64 bytes = 0;
    const QImage* img = pic.image();
    const int s = std::clamp(scale, 1, 8);
    if (auto it = cache.find(img->cacheKey()); it != cache.end() && it->second[size_t(s - 1)])
        return *it->second[size_t(s - 1)];
    // Backgrounds come and go as the player picks them; start afresh rather than grow for ever.
    if (bytes > (qint64(96) << 20)) cache.clear(), bytes = 0;
    QImage src = opaque(*img) ? img->convertToFormat(QImage::Format_RGB32) : *img;
    if (s > 1) src = src.scaled(src.size() * s, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    bytes += src.sizeInBytes();
    auto made = std::make_unique<Sprite>();
    made->scale = s;
    made->binary = binaryAlpha(src);
    made->pixmap = QPixmap::fromImage(std::move(src));
    made->pixmap.setDevicePixelRatio(s);
    made->image = made->pixmap.toImage();
    return *(cache[img->cacheKey()][size_t(s - 1)] = std::move(made));
}

QPixmap pixmapOf(const kt::Picture& pic, int scale) {
    return spriteOf(pic, scale).pixmap;
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

/// The pixels a graphic widget covers when shown (empty for none): what a paint culls with.
QRect imageRect(const kt::Image& im) {
    if (im.picture.empty()) return {};
    // Natural size from the left edge, never stretched; a narrower widget clips the picture, and
    // a pixel it covers only in part is drawn whole.
    const int w = int(std::ceil(std::min<double>(im.picture.width(), im.Width / twips)));
    const int h = int(std::ceil(std::min<double>(im.picture.height(), im.Height / twips)));
    if (w <= 0 || h <= 0) return {};
    return QRect(px(im.Left), px(im.Top), w, h);
}

QRect rectOf(const kt::Widget& w) {
    switch (w.kind) {
    case kt::Kind::Image:
        return imageRect(static_cast<const kt::Image&>(w));
    case kt::Kind::Label:
        return pxRect(w.Left, w.Top, w.Width, w.Height);
    case kt::Kind::Line: {
        auto& ln = static_cast<const kt::Line&>(w);
        const int pad = ln.BorderWidth / 2 + 2;
        return QRect(QPoint(px(std::min(ln.X1, ln.X2)), px(std::min(ln.Y1, ln.Y2))),
                     QPoint(px(std::max(ln.X1, ln.X2)), px(std::max(ln.Y1, ln.Y2))))
            .adjusted(-pad, -pad, pad, pad);
    }
    case kt::Kind::Shape:
        return pxRect(w.Left, w.Top, w.Width, w.Height).adjusted(-1, -1, 1, 1);
    default:
        return {};
    }
}

Look lookOf(const kt::Widget& w) {
    Look l;
    if (!w.Visible) return l;
    l.rect = rectOf(w);
    switch (w.kind) {
    case kt::Kind::Image:
        l.picture = static_cast<const kt::Image&>(w).picture.image();
        break;
    case kt::Kind::Label: {
        auto& lb = static_cast<const kt::Label&>(w);
        l.caption = lb.Caption;
        l.color1 = lb.BackColor;
        l.color2 = lb.ForeColor;
        l.style = lb.BorderStyle * 2 + (lb.opaque ? 1 : 0);
        break;
    }
    case kt::Kind::Line: {
        auto& ln = static_cast<const kt::Line&>(w);
        l.ends = {ln.X1, ln.Y1, ln.X2, ln.Y2};
        l.color1 = ln.BorderColor;
        l.style = ln.BorderWidth * 8 + ln.BorderStyle;
        break;
    }
    case kt::Kind::Shape: {
        auto& sh = static_cast<const kt::Shape&>(w);
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

QImage* rasterTarget(QPainter& p) {
    QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || p.hasClipping() ||
        p.opacity() != 1.0 || p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* img = static_cast<QImage*>(device);
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        !img->isDetached())
        return nullptr;
    return img;
}

namespace {

/// One row of `n` source pixels, each repeated `scale` times, the first `skip` copies left out.
void enlargeRow(quint32* out, const quint32* in, int n, int scale, int skip, int width) {
    if (scale == 2 && skip == 0) {
        int i = 0;
#ifdef __SSE2__
        for (; i + 4 <= n && 2 * i + 8 <= width; i += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi32(v, v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 4), _mm_unpackhi_epi32(v, v));
        }
#endif
        for (int x = 2 * i; x < width; ++x) out[x] = in[x / 2];
        return;
    }
    for (int x = 0; x < width; ++x) out[x] = in[(x + skip) / scale];
}

} // namespace

bool rasterEnlarge(QPainter& p, const QImage& src, const QRect& r, int scale) {
    QImage* img = rasterTarget(p);
    if (!img || scale < 2 || wholeScale(p) != scale || src.format() != QImage::Format_RGB32)
        return false;
    const QRect from = r & src.rect();
    if (from.isEmpty()) return true;
    const QTransform t = p.deviceTransform();
    const QPoint origin(int(t.dx()), int(t.dy()));
    const QRect to(from.topLeft() * scale + origin, from.size() * scale);
    QRegion clip = p.paintEngine()->systemClip();
    if (clip.isEmpty()) clip = img->rect();
    uchar* bits = img->bits();
    const qsizetype stride = img->bytesPerLine();
    for (const QRect& c : clip) {
        const QRect box = c & to & img->rect();
        if (box.isEmpty()) continue;
        // Device pixel (x, y) shows source pixel ((x - origin.x) / scale, (y - origin.y) / scale).
        const int x0 = box.left() - origin.x(), sx0 = x0 / scale;
        const int sx1 = (box.right() - origin.x()) / scale;
        const quint32* built = nullptr;
        int builtFor = -1;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            const int sy = (y - origin.y()) / scale;
            auto* out = reinterpret_cast<quint32*>(bits + y * stride) + box.left();
            // The rows that show the same source row are copies of the first one built.
            if (sy == builtFor) {
                std::memcpy(out, built, size_t(box.width()) * sizeof(quint32));
                continue;
            }
            const auto* in = reinterpret_cast<const quint32*>(src.constScanLine(sy)) + sx0;
            enlargeRow(out, in, sx1 - sx0 + 1, scale, x0 - sx0 * scale, box.width());
            built = out;
            builtFor = sy;
        }
    }
    return true;
}

namespace {

/// Copies the opaque pixels of a row of binary-alpha art over `out`: an opaque pixel has its
/// top bit set, a transparent one is zero. Four (or eight) pixels all opaque are stored without
/// reading what they cover, and all transparent leave it alone.
void chooseRowPlain(quint32* out, const quint32* in, int n) {
    int x = 0;
#ifdef __SSE2__
    for (; x + 4 <= n; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const int opaque = _mm_movemask_ps(_mm_castsi128_ps(s));
        if (opaque == 0) continue;
        auto* to = reinterpret_cast<__m128i*>(out + x);
        if (opaque == 15) {
            _mm_storeu_si128(to, s);
            continue;
        }
        const __m128i m = _mm_srai_epi32(s, 31);
        _mm_storeu_si128(
            to, _mm_or_si128(_mm_and_si128(m, s), _mm_andnot_si128(m, _mm_loadu_si128(to))));
    }
#endif
    for (; x < n; ++x)
        if (in[x] != 0) out[x] = in[x];
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KOLVAR_AVX2_ROWS 1
// Eight pixels at a time, as Qt's own blending does on such a processor: at twice the scale a
// sprite is four times the pixels, and four at a time fall behind it.
__attribute__((target("avx2"))) void chooseRowAvx2(quint32* out, const quint32* in, int n) {
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const int opaque = _mm256_movemask_ps(_mm256_castsi256_ps(s));
        if (opaque == 0) continue;
        auto* to = reinterpret_cast<__m256i*>(out + x);
        if (opaque == 255) {
            _mm256_storeu_si256(to, s);
            continue;
        }
        const __m256 d = _mm256_castsi256_ps(_mm256_loadu_si256(to));
        const __m256 sp = _mm256_castsi256_ps(s);
        _mm256_storeu_si256(to, _mm256_castps_si256(_mm256_blendv_ps(d, sp, sp)));
    }
    chooseRowPlain(out + x, in + x, n - x);
}
#endif

void chooseRow(quint32* out, const quint32* in, int n) {
#ifdef KOLVAR_AVX2_ROWS
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return chooseRowAvx2(out, in, n);
#endif
    chooseRowPlain(out, in, n);
}

} // namespace

bool rasterSprite(QPainter& p, const Sprite& sprite, QPoint at, const QRect& source) {
    if (!sprite.binary || sprite.image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    QImage* img = rasterTarget(p);
    if (!img || wholeScale(p) != sprite.scale) return false;
    const QRect from = source & sprite.image.rect();
    if (from.isEmpty()) return true;
    const QTransform t = p.deviceTransform();
    const QPoint origin(int(t.dx()), int(t.dy()));
    const QPoint shift = at * sprite.scale + origin - source.topLeft(); // sprite pixel to device
    QRegion clip = p.paintEngine()->systemClip();
    if (clip.isEmpty()) clip = img->rect();
    uchar* bits = img->bits();
    const qsizetype stride = img->bytesPerLine();
    for (const QRect& c : clip) {
        const QRect box = c & from.translated(shift) & img->rect();
        if (box.isEmpty()) continue;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            auto* out = reinterpret_cast<quint32*>(bits + y * stride) + box.left();
            const auto* in =
                reinterpret_cast<const quint32*>(sprite.image.constScanLine(y - shift.y())) +
                (box.left() - shift.x());
            chooseRow(out, in, box.width());
        }
    }
    return true;
}

/// Draws a solid line straight into the raster image under the painter, when there is one and
/// nothing but a whole scale and a translation lies between: QPainter rasterizes a thin diagonal
/// line pixel by pixel through its span machinery, several times slower than these stores, and
/// strokes a wide one as a polygon. Returns false when the painter must draw it instead.
bool rasterLine(QPainter& p, const kt::Line& ln, int scale) {
    QImage* img = scale == 0 ? nullptr : rasterTarget(p);
    if (!img) return false;
    QPaintEngine* engine = p.paintEngine();
    const QTransform t = p.deviceTransform();
    const QPointF a = t.map(QPointF(ln.X1 / twips, ln.Y1 / twips));
    const QPointF b = t.map(QPointF(ln.X2 / twips, ln.Y2 / twips));
    const int width = std::max(1, ln.BorderWidth) * scale;
    const quint32 color = qRgb(ln.BorderColor.r, ln.BorderColor.g, ln.BorderColor.b);
    QRegion clip = engine->systemClip();
    if (clip.isEmpty()) clip = img->rect();
    uchar* bits = img->bits();
    const qsizetype stride = img->bytesPerLine();
    // Along the major axis, pixel centres from one end to the other (flat caps); across it, the
    // `width` pixels whose centres lie within half the width of the line (a one-pixel line takes
    // the pixel the line passes through, as Qt's aliased lines do).
    const bool flat = std::abs(b.x() - a.x()) >= std::abs(b.y() - a.y());
    const double a0 = flat ? a.x() : a.y(), a1 = flat ? b.x() : b.y();
    const double c0 = flat ? a.y() : a.x(), c1 = flat ? b.y() : b.x();
    if (a0 == a1) return true;
    const double slope = (c1 - c0) / (a1 - a0);
    const int first = int(std::ceil(std::min(a0, a1) - 0.5));
    const int last = int(std::ceil(std::max(a0, a1) - 0.5)) - 1;
    // Across the line, in 16.16 fixed point: where the first of its `width` pixels starts.
    const double lead = width == 1 ? 0 : width / 2.0 + 0.5;
    const auto fixed = [](double v) { return int64_t(std::llround(v * 65536)); };
    const int64_t step = fixed(slope);
    const int64_t origin = fixed(c0 + (first + 0.5 - a0) * slope - lead);
    for (const QRect& r : clip) {
        const QRect box = r & img->rect();
        const int acrossLo = flat ? box.top() : box.left();
        const int acrossHi = flat ? box.bottom() : box.right();
        int lo = std::max(first, flat ? box.left() : box.top());
        int hi = std::min(last, flat ? box.right() : box.bottom());
        // Only the stretch of the line that can meet the box's rows (or columns).
        if (slope != 0) {
            const double i0 = a0 - 0.5 + (acrossLo - width - c0) / slope;
            const double i1 = a0 - 0.5 + (acrossHi + width + 1 - c0) / slope;
            lo = std::max(lo, int(std::floor(std::min(i0, i1))));
            hi = std::min(hi, int(std::ceil(std::max(i0, i1))));
        } else if (c0 + width < acrossLo || c0 - width > acrossHi + 1) {
            continue;
        }
        // Stepped from the line's first pixel, not from the box's: a repaint of any part of the
        // window must put each pixel where a whole paint puts it.
        int64_t at = origin + int64_t(lo - first) * step;
        for (int i = lo; i <= hi; ++i, at += step) {
            // Floor of a 16.16 number (an arithmetic shift), or the ceiling past the lead.
            const int from = int(width == 1 ? at >> 16 : (at + 65535) >> 16);
            const int jLo = std::max(acrossLo, from), jHi = std::min(acrossHi, from + width - 1);
            for (int j = jLo; j <= jHi; ++j) {
                const int x = flat ? i : j, y = flat ? j : i;
                reinterpret_cast<quint32*>(bits + y * stride)[x] = color;
            }
        }
    }
    return true;
}

namespace {

/// A design font's glyphs for the printable ASCII characters, looked up once.
struct Glyphs {
    QRawFont raw;
    std::array<quint32, 95> index{};
    std::array<qreal, 95> advance{};
};

const Glyphs& glyphsOf(const kt::Font& f) {
    static std::map<std::tuple<std::string, float, bool>, Glyphs> made;
    auto [it, fresh] = made.try_emplace({f.name, f.size, f.bold});
    if (fresh) {
        Glyphs& g = it->second;
        g.raw = QRawFont::fromFont(qtFont(f));
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
bool drawRun(QPainter& p, const kt::Label& lb, const QRect& r, const QRect& text) {
    const std::string& caption = lb.Caption;
    if (caption.empty() || caption.size() > 200) return false;
    const Glyphs& g = glyphsOf(lb.font);
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

} // namespace

bool elided(const kt::Label& lb, const QRect& r) {
    if (!lb.ellipsis) return false;
    const int room = r.width() - (lb.BorderStyle == 1 ? 4 : 0);
    return QFontMetrics(qtFont(lb.font)).horizontalAdvance(QString::fromStdString(lb.Caption)) >
           room;
}

void drawLabel(QPainter& p, const kt::Label& lb, const QRect& r) {
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
        const QFont f = qtFont(lb.font);
        p.setFont(f);
        p.save();
        p.setClipRect(r, Qt::IntersectClip);
        p.drawText(text, Qt::AlignTop | Qt::AlignLeft | Qt::TextSingleLine,
                   QFontMetrics(f).elidedText(QString::fromStdString(lb.Caption), Qt::ElideMiddle,
                                              text.width()));
        p.restore();
        return;
    }
    if (drawRun(p, lb, r, text)) return;
    p.setFont(qtFont(lb.font));
    int flags = Qt::AlignTop | (lb.wordWrap ? Qt::TextWordWrap : 0);
    flags |= lb.Alignment == kt::Align::Right    ? Qt::AlignRight
             : lb.Alignment == kt::Align::Center ? Qt::AlignHCenter
                                                 : Qt::AlignLeft;
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.drawText(text, flags, QString::fromStdString(lb.Caption));
    p.restore();
}

void drawShape(QPainter& p, const kt::Shape& sh, const QRect& r) {
    p.setPen(QPen(qc(sh.BorderColor), sh.BorderWidth));
    p.setBrush(sh.filled ? QBrush(qc(sh.FillColor)) : QBrush(Qt::NoBrush));
    if (sh.shape == kt::Shape::Oval)
        p.drawEllipse(r);
    else
        p.drawRect(r);
}

QFont qtFont(const kt::Font& f) {
    // Made once per design font: a QFont resolves its family on first use, which costs.
    static std::map<std::tuple<std::string, float, bool>, QFont> made;
    auto [it, fresh] = made.try_emplace({f.name, f.size, f.bold});
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

} // namespace ktqt
