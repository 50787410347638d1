// SPDX-FileCopyrightText: 2026 Kolvar developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "raster.h"

#include "geometry.h"
#include "pictures.h"
#include "rasterline.h"

#include <QPaintEngine>
#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KOLVAR_AVX2_ROWS 1
#endif

namespace ktqt {

namespace {

#ifdef KOLVAR_AVX2_ROWS
bool hasAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

/// Calls `rows(outs, n, row)` for each run of the box's device rows that show one row of a
/// picture enlarged `scale` (at most 8) times whose top lies on device row `top`: `outs` are the
/// run's `n` rows, from the box's left edge, and `row` is the enlarged picture's row they show.
/// The rows of a run are copies of one another, so each run is read and worked out once.
template <class Rows>
void blockRows(const RasterTarget& t, const QRect& box, int top, int scale, Rows&& rows) {
    int within = (box.top() - top) % scale; // rows of the first block above the box
    for (int y = box.top(); y <= box.bottom(); within = 0) {
        const int row = y - top;
        const int last = std::min(box.bottom(), y + scale - 1 - within);
        quint32* outs[8] = {};
        int n = 0;
        for (; y <= last; ++y) outs[n++] = t.row(y) + box.left();
        rows(outs, n, row);
    }
}

} // namespace

std::optional<RasterTarget> RasterTarget::of(QPainter& p) {
    QPaintEngine* engine = p.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || p.hasClipping() ||
        p.opacity() != 1.0 || p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return std::nullopt;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return std::nullopt;
    auto* img = static_cast<QImage*>(device);
    const QImage::Format f = img->format();
    if ((f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
         f != QImage::Format_ARGB32_Premultiplied) ||
        !img->isDetached())
        return std::nullopt;
    const int scale = wholeScale(p);
    if (scale == 0) return std::nullopt;
    RasterTarget t;
    t.image = img;
    t.bits = img->bits();
    t.stride = img->bytesPerLine();
    t.scale = scale;
    const QTransform m = p.deviceTransform();
    t.origin = QPoint(int(m.dx()), int(m.dy()));
    t.clip = engine->systemClip();
    if (t.clip.isEmpty()) t.clip = img->rect();
    return t;
}

namespace {

/// A source row as device rows show it at a whole `scale`: device pixel x shows source pixel
/// (x + skip) / scale, for `width` device pixels.
struct Spread {
    const quint32* in;
    int scale, skip, width;
};

/// Stores device pixels `from` to `to` (not included) of the spread row, one at a time, to each
/// of the device rows `outs`, which all show the same source row.
void spreadEach(quint32* const* outs, int rows, const Spread& s, int from, int to) {
    for (int x = from; x < to; ++x) {
        const quint32 v = s.in[(x + s.skip) / s.scale];
        for (int k = 0; k < rows; ++k) outs[k][x] = v;
    }
}

// At twice the scale, whole pairs of device pixels from `x` on (where a pair starts), each pair
// one source pixel: many at a time, straight from registers into every row. Each returns where
// it stopped.

#ifdef __SSE2__
int spreadPairsSse2(quint32* const* outs, int rows, const Spread& s, int x) {
    for (const quint32* in = s.in + (x + s.skip) / 2; x + 8 <= s.width; x += 8, in += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i lo = _mm_unpacklo_epi32(v, v), hi = _mm_unpackhi_epi32(v, v);
        for (int k = 0; k < rows; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outs[k] + x), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(outs[k] + x + 4), hi);
        }
    }
    return x;
}
#endif

#ifdef KOLVAR_AVX2_ROWS
// Sixteen device pixels a store: at twice the scale the background is four times the bytes of
// the picture, and its stores are what the copy costs.
__attribute__((target("avx2"))) int spreadPairsAvx2(quint32* const* outs, int rows, const Spread& s,
                                                    int x) {
    for (const quint32* in = s.in + (x + s.skip) / 2; x + 16 <= s.width; x += 16, in += 8) {
        // Pixels 0 1 4 5 in the low half and 2 3 6 7 in the high one, as the unpacking, which
        // works within each half, wants them.
        const __m256i v = _mm256_permute4x64_epi64(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in)), 0xD8);
        const __m256i lo = _mm256_unpacklo_epi32(v, v), hi = _mm256_unpackhi_epi32(v, v);
        for (int k = 0; k < rows; ++k) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(outs[k] + x), lo);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(outs[k] + x + 8), hi);
        }
    }
    return x;
}
#endif

int spreadPairs(quint32* const* outs, int rows, const Spread& s, int x) {
#ifdef KOLVAR_AVX2_ROWS
    if (hasAvx2()) x = spreadPairsAvx2(outs, rows, s, x);
#endif
#ifdef __SSE2__
    x = spreadPairsSse2(outs, rows, s, x);
#endif
    return x;
}

/// Stores the spread row to each of the device rows `outs`, which all show the same source row:
/// each is written from registers, not copied back out of the picture being written.
void spread(quint32* const* outs, int rows, const Spread& s) {
    if (s.scale == 1) return void(std::memcpy(outs[0], s.in, size_t(s.width) * sizeof(quint32)));
    int x = 0;
    if (s.scale == 2) {
        // Past an odd start, the row comes in pairs of the same pixel.
        spreadEach(outs, rows, s, 0, s.skip);
        x = spreadPairs(outs, rows, s, s.skip);
    }
    spreadEach(outs, rows, s, x, s.width);
}

} // namespace

bool rasterCopy(QPainter& p, const QImage& src, const QRect& r, int scale) {
    const auto t = RasterTarget::of(p);
    if (!t || scale < 1 || t->scale != scale || src.format() != QImage::Format_RGB32) return false;
    const QRect from = r & src.rect();
    if (from.isEmpty()) return true;
    const QPoint origin = t->origin;
    const QRect to(from.topLeft() * scale + origin, from.size() * scale);
    for (const QRect& c : t->clip) {
        const QRect box = c & to & t->image->rect();
        if (box.isEmpty()) continue;
        // Device pixel (x, y) shows source pixel ((x - origin.x) / scale, (y - origin.y) / scale).
        const int x0 = box.left() - origin.x(), sx0 = x0 / scale;
        blockRows(*t, box, origin.y(), scale, [&](quint32* const* outs, int n, int row) {
            const auto* in = reinterpret_cast<const quint32*>(src.constScanLine(row / scale));
            spread(outs, n, {in + sx0, scale, x0 - sx0 * scale, box.width()});
        });
    }
    return true;
}

namespace {

/// Copies the opaque pixels of a row of binary-alpha art over each of the device rows `outs`
/// (the rows of an enlarged sprite that are copies of one another): an opaque pixel has its top
/// bit set, a transparent one is zero. Four (or eight) pixels all opaque are stored without
/// reading what they cover, and all transparent leave it alone.
template <bool Single>
void chooseRowPlain(quint32* const* outs, int rows, const quint32* in, int n, int x = 0) {
    if constexpr (Single) rows = 1; // at a scale of 1 every run is a single row: no loop over rows
#ifdef __SSE2__
    for (; x + 4 <= n; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
        const int opaque = _mm_movemask_ps(_mm_castsi128_ps(s));
        if (opaque == 0) continue;
        const __m128i m = _mm_srai_epi32(s, 31);
        for (int k = 0; k < rows; ++k) {
            auto* to = reinterpret_cast<__m128i*>(outs[k] + x);
            _mm_storeu_si128(to, opaque == 15
                                     ? s
                                     : _mm_or_si128(_mm_and_si128(m, s),
                                                    _mm_andnot_si128(m, _mm_loadu_si128(to))));
        }
    }
#endif
    for (; x < n; ++x)
        if (in[x] != 0)
            for (int k = 0; k < rows; ++k) outs[k][x] = in[x];
}

#ifdef KOLVAR_AVX2_ROWS
// Eight pixels at a time, as Qt's own blending does on such a processor: at twice the scale a
// sprite is four times the pixels, and four at a time fall behind it.
template <bool Single>
__attribute__((target("avx2"))) void chooseRowAvx2(quint32* const* outs, int rows,
                                                   const quint32* in, int n) {
    if constexpr (Single) rows = 1;
    int x = 0;
    for (; x + 8 <= n; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
        const int opaque = _mm256_movemask_ps(_mm256_castsi256_ps(s));
        if (opaque == 0) continue;
        const __m256 sp = _mm256_castsi256_ps(s);
        for (int k = 0; k < rows; ++k) {
            auto* to = reinterpret_cast<__m256i*>(outs[k] + x);
            if (opaque == 255) {
                _mm256_storeu_si256(to, s);
                continue;
            }
            const __m256 d = _mm256_castsi256_ps(_mm256_loadu_si256(to));
            _mm256_storeu_si256(to, _mm256_castps_si256(_mm256_blendv_ps(d, sp, sp)));
        }
    }
    chooseRowPlain<Single>(outs, rows, in, n, x);
}
#endif

void chooseRow(quint32* const* outs, int rows, const quint32* in, int n) {
#ifdef KOLVAR_AVX2_ROWS
    if (hasAvx2())
        return rows == 1 ? chooseRowAvx2<true>(outs, rows, in, n)
                         : chooseRowAvx2<false>(outs, rows, in, n);
#endif
    rows == 1 ? chooseRowPlain<true>(outs, rows, in, n) : chooseRowPlain<false>(outs, rows, in, n);
}

} // namespace

bool rasterSprite(QPainter& p, const Sprite& sprite, QPoint at, const QRect& source) {
    if (!sprite.binary || sprite.image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    const auto t = RasterTarget::of(p);
    if (!t || t->scale != sprite.scale) return false;
    const QRect from = source & sprite.image.rect();
    if (from.isEmpty()) return true;
    const QPoint shift = at * sprite.scale + t->origin - source.topLeft(); // sprite to device
    for (const QRect& c : t->clip) {
        const QRect box = c & from.translated(shift) & t->image->rect();
        if (box.isEmpty()) continue;
        // The art was enlarged by whole rows: the rows of one art pixel are chosen together.
        blockRows(*t, box, shift.y(), sprite.scale, [&](quint32* const* outs, int n, int row) {
            const auto* in = reinterpret_cast<const quint32*>(sprite.image.constScanLine(row));
            chooseRow(outs, n, in + (box.left() - shift.x()), box.width());
        });
    }
    return true;
}

bool rasterLine(QPainter& p, const kt::Line& ln, int scale) {
    const auto t = scale == 0 ? std::nullopt : RasterTarget::of(p);
    if (!t) return false;
    // Far past any window; the fixed point of both halves has room for this and no more.
    if (t->image->width() > 16384 || t->image->height() > 16384) return false;
    const QTransform m = p.deviceTransform();
    const QPointF a = m.map(QPointF(ln.X1 / twips, ln.Y1 / twips));
    const QPointF b = m.map(QPointF(ln.X2 / twips, ln.Y2 / twips));
    const int width = std::max(1, ln.BorderWidth) * t->scale;
    const quint32 color = qRgb(ln.BorderColor.r, ln.BorderColor.g, ln.BorderColor.b);
    if (width == 1) {
        drawThinLine(*t, a, b, color);
        return true;
    }
    // Past any line the game draws; wider ones would outgrow the fixed point.
    return width <= 256 && fillWideLine(*t, a, b, width, color);
}

} // namespace ktqt
