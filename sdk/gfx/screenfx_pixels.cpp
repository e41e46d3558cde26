// The pixel loops of IScreenFX (see screenfx_private.h for the rules).
//
// Index
//   Rows ......... MirrorRows, FlipRows
//   Scaling ...... ScaleNearest8/32, ScaleSmooth32
//   Rotation ..... RotateNearest8/32, RotateSmooth32
//   Conversion ... ConvertToRGBA32
#include <quenlar/gfx/screenfx_private.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qnl {
namespace fx {

namespace {
template <typename P> P *Row(const View &v, int y) {
    return reinterpret_cast<P *>(v.pixels + (std::ptrdiff_t)y * v.pitch);
}

struct Pixel24 {
    Uint8 bytes[3];
};

template <typename P> std::unique_ptr<P[]> Table(int count) {
    return std::unique_ptr<P[]>(new (std::nothrow) P[(size_t)count]);
}
} // namespace

// ---------------------------------------------------------------------------
// The bilinear filter
// ---------------------------------------------------------------------------
// One step on every channel: a + ((b - a) * f >> 16), f a 16-bit fraction;
// the result lies between a and b, so it keeps to 8 bits. Every byte of a
// 32-bit pixel is a channel, so the byte order does not matter. With SSE2
// the steps run on all channels at once, with the same results: (b - a) * f
// is formed exactly as (2 (b - a)) * (f >> 1) + (b - a) * (f & 1), the pair
// of 16-bit products that one multiply-add instruction sums.
namespace {
inline Uint32 Lerp(Uint32 a, Uint32 b, int f) {
    Uint32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = (int)(a >> shift & 0xFF), cb = (int)(b >> shift & 0xFF);
        out |= (Uint32)((ca + ((cb - ca) * f >> 16)) & 0xFF) << shift;
    }
    return out;
}

#if defined(__SSE2__)
// The weight of fraction f for the multiply-add: f >> 1 in the low half,
// f & 1 in the high half of each 32-bit lane.
inline __m128i Weight(int f) {
    return _mm_set1_epi32((f >> 1) | (f & 1) << 16);
}

// Four 32-bit lanes a + (d * f >> 16) from 16-bit differences d (the four
// low lanes of `d`, or the four high ones) and 32-bit channels a.
inline __m128i StepLow(__m128i d, __m128i a, __m128i w) {
    const __m128i pairs = _mm_unpacklo_epi16(_mm_add_epi16(d, d), d);
    return _mm_add_epi32(a, _mm_srai_epi32(_mm_madd_epi16(pairs, w), 16));
}
inline __m128i StepHigh(__m128i d, __m128i a, __m128i w) {
    const __m128i pairs = _mm_unpackhi_epi16(_mm_add_epi16(d, d), d);
    return _mm_add_epi32(a, _mm_srai_epi32(_mm_madd_epi16(pairs, w), 16));
}
#endif

// The full filter: a b on the upper row, c d on the lower.
inline Uint32 Bilinear(Uint32 a, Uint32 b, Uint32 c, Uint32 d, int fx, int fy) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i left = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128((int)a), _mm_cvtsi32_si128((int)c)), zero);
    const __m128i right = _mm_unpacklo_epi8(
        _mm_unpacklo_epi32(_mm_cvtsi32_si128((int)b), _mm_cvtsi32_si128((int)d)), zero);
    const __m128i diff = _mm_sub_epi16(right, left), wx = Weight(fx);
    const __m128i top = StepLow(diff, _mm_unpacklo_epi16(left, zero), wx);
    const __m128i bottom = StepHigh(diff, _mm_unpackhi_epi16(left, zero), wx);
    // bottom - top fits 16 bits: rebuild its pairs within each 32-bit lane.
    const __m128i dv = _mm_sub_epi32(bottom, top);
    const __m128i pairs = _mm_or_si128(
        _mm_slli_epi32(dv, 16), _mm_and_si128(_mm_add_epi32(dv, dv), _mm_set1_epi32(0xFFFF)));
    __m128i out = _mm_add_epi32(top, _mm_srai_epi32(_mm_madd_epi16(pairs, Weight(fy)), 16));
    out = _mm_packs_epi32(out, out);
    return (Uint32)_mm_cvtsi128_si32(_mm_packus_epi16(out, out));
#else
    return Lerp(Lerp(a, b, fx), Lerp(c, d, fx), fy);
#endif
}

// out[k] = Lerp(in[k], below[k], f) for a whole row.
void LerpRows(const Uint32 *in, const Uint32 *below, int f, Uint32 *out, int count) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), w = Weight(f);
    for (; k + 4 <= count; k += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(below + k));
        const __m128i tl = _mm_unpacklo_epi8(t, zero), th = _mm_unpackhi_epi8(t, zero);
        const __m128i dl = _mm_sub_epi16(_mm_unpacklo_epi8(b, zero), tl);
        const __m128i dh = _mm_sub_epi16(_mm_unpackhi_epi8(b, zero), th);
        const __m128i lo = _mm_packs_epi32(StepLow(dl, _mm_unpacklo_epi16(tl, zero), w),
                                           StepHigh(dl, _mm_unpackhi_epi16(tl, zero), w));
        const __m128i hi = _mm_packs_epi32(StepLow(dh, _mm_unpacklo_epi16(th, zero), w),
                                           StepHigh(dh, _mm_unpackhi_epi16(th, zero), w));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + k), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; k < count; ++k)
        out[k] = Lerp(in[k], below[k], f);
}
} // namespace

// ---------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------
namespace {
// The source and the result never overlap; saying so lets the compiler
// vectorise the reversal.
template <typename P> void ReverseRow(const P *__restrict in, P *__restrict out, int count) {
    const int last = count - 1;
    for (int x = 0; x < count; ++x)
        out[x] = in[last - x];
}

template <typename P> void MirrorLoop(const View &src, const View &dst) {
    for (int y = 0; y < dst.h; ++y)
        ReverseRow(Row<P>(src, y), Row<P>(dst, y), dst.w);
}
} // namespace

void MirrorRows(const View &src, const View &dst, int bytesPerPixel) {
    switch (bytesPerPixel) {
    case 1:
        MirrorLoop<Uint8>(src, dst);
        break;
    case 2:
        MirrorLoop<Uint16>(src, dst);
        break;
    case 3:
        MirrorLoop<Pixel24>(src, dst);
        break;
    case 4:
        MirrorLoop<Uint32>(src, dst);
        break;
    default:
        break;
    }
}

void FlipRows(const View &src, const View &dst, int bytesPerPixel, QuenlarCopyFn copy) {
    const size_t rowBytes = (size_t)dst.w * (size_t)bytesPerPixel;
    for (int y = 0; y < dst.h; ++y)
        copy(Row<Uint8>(dst, y), Row<Uint8>(src, src.h - 1 - y), rowBytes);
}

// ---------------------------------------------------------------------------
// Scaling
// ---------------------------------------------------------------------------
namespace {
// Source index of result pixel k, nearest-pixel stepping.
inline int NearestIndex(int k, Sint64 step, int size, bool mirror) {
    const int i = (int)((k * step) >> 16);
    return mirror ? size - 1 - i : i;
}

template <typename P>
bool ScaleNearestLoop(const View &src, const View &dst, bool mirrorX, bool mirrorY) {
    auto cols = Table<int>(dst.w);
    if (!cols) return false;
    const Sint64 stepX = ((Sint64)src.w << 16) / dst.w;
    const Sint64 stepY = ((Sint64)src.h << 16) / dst.h;
    for (int k = 0; k < dst.w; ++k)
        cols[k] = NearestIndex(k, stepX, src.w, mirrorX);

    const int *c = cols.get();
    int previous = -1;
    for (int j = 0; j < dst.h; ++j) {
        const int y = NearestIndex(j, stepY, src.h, mirrorY);
        P *out = Row<P>(dst, j);
        if (y == previous) { // the same source row as the result row above
            std::memcpy(out, Row<P>(dst, j - 1), (size_t)dst.w * sizeof(P));
            continue;
        }
        const P *in = Row<P>(src, y);
        for (int k = 0; k < dst.w; ++k)
            out[k] = in[c[k]];
        previous = y;
    }
    return true;
}

// The two source pixels of one result column (or row) of a smooth scale,
// and the 16-bit weight of the second.
struct Tap {
    int a, b, f;
};

void BuildTaps(Tap *taps, int count, int size, bool mirror) {
    const Sint64 step = ((Sint64)(size - 1) << 16) / count;
    for (int k = 0; k < count; ++k) {
        const Sint64 position = k * step;
        int a = (int)(position >> 16);
        int b = a + 1 < size ? a + 1 : size - 1; // a source of one pixel has no neighbour
        if (mirror) a = size - 1 - a, b = size - 1 - b;
        taps[k] = {a, b, (int)(position & 0xFFFF)};
    }
}

// out[k] = Lerp(in[cols[k].a], in[cols[k].b], cols[k].f) for a whole row.
void LerpColumns(const Uint32 *in, const Tap *cols, int count, Uint32 *out) {
    int k = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    auto pair = [in](int first, int second) {
        return _mm_unpacklo_epi32(_mm_cvtsi32_si128((int)in[first]),
                                  _mm_cvtsi32_si128((int)in[second]));
    };
    for (; k + 2 <= count; k += 2) {
        const Tap &t0 = cols[k], &t1 = cols[k + 1];
        const __m128i left = _mm_unpacklo_epi8(pair(t0.a, t1.a), zero);
        const __m128i diff = _mm_sub_epi16(_mm_unpacklo_epi8(pair(t0.b, t1.b), zero), left);
        const __m128i out2 =
            _mm_packs_epi32(StepLow(diff, _mm_unpacklo_epi16(left, zero), Weight(t0.f)),
                            StepHigh(diff, _mm_unpackhi_epi16(left, zero), Weight(t1.f)));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + k), _mm_packus_epi16(out2, out2));
    }
#endif
    for (; k < count; ++k)
        out[k] = Lerp(in[cols[k].a], in[cols[k].b], cols[k].f);
}

// Two source rows scaled horizontally, kept while consecutive result rows
// use them again.
class ScaledRows {
public:
    ScaledRows(const View &src, const Tap *cols, int count, Uint32 *storage)
        : src_(src), cols_(cols), count_(count), line_{storage, storage + count} {}

    // Source row y scaled, without evicting row `keep`.
    const Uint32 *Get(int y, int keep) {
        for (int s = 0; s < 2; ++s)
            if (row_[s] == y) return line_[s];
        const int s = row_[0] == keep ? 1 : 0;
        LerpColumns(Row<Uint32>(src_, y), cols_, count_, line_[s]);
        row_[s] = y;
        return line_[s];
    }

private:
    const View &src_;
    const Tap *cols_;
    int count_;
    Uint32 *line_[2];
    int row_[2] = {-1, -1};
};

} // namespace

bool ScaleNearest8(const View &src, const View &dst, bool mirrorX, bool mirrorY) {
    return ScaleNearestLoop<Uint8>(src, dst, mirrorX, mirrorY);
}

bool ScaleNearest32(const View &src, const View &dst, bool mirrorX, bool mirrorY) {
    return ScaleNearestLoop<Uint32>(src, dst, mirrorX, mirrorY);
}

bool ScaleSmooth32(const View &src, const View &dst, bool mirrorX, bool mirrorY) {
    auto cols = Table<Tap>(dst.w);
    auto rows = Table<Tap>(dst.h);
    auto lines = Table<Uint32>(2 * dst.w);
    if (!cols || !rows || !lines) return false;
    BuildTaps(cols.get(), dst.w, src.w, mirrorX);
    BuildTaps(rows.get(), dst.h, src.h, mirrorY);

    ScaledRows scaled(src, cols.get(), dst.w, lines.get());
    for (int j = 0; j < dst.h; ++j) {
        const Tap &r = rows[j];
        const Uint32 *top = scaled.Get(r.a, r.b);
        Uint32 *out = Row<Uint32>(dst, j);
        if (r.f == 0) {
            std::memcpy(out, top, (size_t)dst.w * 4);
            continue;
        }
        LerpRows(top, scaled.Get(r.b, r.a), r.f, out, dst.w);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Rotation
// ---------------------------------------------------------------------------
namespace {
// The source point of the first pixel of result row j, in 16.16.
inline void RowStart(const View &src, const View &dst, const Rotation &r, int j, Sint64 &x,
                     Sint64 &y) {
    const Sint64 di = -(dst.w / 2), dj = j - dst.h / 2;
    x = ((Sint64)(src.w / 2) << 16) + di * r.cosStep - dj * r.sinStep;
    y = ((Sint64)(src.h / 2) << 16) + di * r.sinStep + dj * r.cosStep;
}

inline Sint64 FloorDiv(Sint64 a, Sint64 b) { // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The pixels first <= i < end of a result row whose source point lies in
// [xlo, xhi) x [ylo, yhi) (16.16). The map is linear in i, so they form one
// interval, found exactly from the row's start and steps; the loops then
// run without a test per pixel.
struct Span {
    int first, end;
};
Span Within(Sint64 v0, Sint64 dv, Sint64 lo, Sint64 hi, int count) {
    Sint64 first = 0, end = count;
    if (dv > 0)
        first = -FloorDiv(v0 - lo, dv), end = -FloorDiv(v0 - hi, dv);
    else if (dv < 0)
        first = FloorDiv(v0 - hi, -dv) + 1, end = FloorDiv(v0 - lo, -dv) + 1;
    else if (v0 < lo || v0 >= hi)
        end = 0;
    first = std::min(std::max(first, (Sint64)0), (Sint64)count);
    end = std::min(std::max(end, first), (Sint64)count);
    return {(int)first, (int)end};
}
Span RowSpan(Sint64 sx, Sint64 sy, const Rotation &r, Sint64 xlo, Sint64 xhi, Sint64 ylo,
             Sint64 yhi, int count) {
    const Span x = Within(sx, r.cosStep, xlo, xhi, count);
    const Span y = Within(sy, r.sinStep, ylo, yhi, count);
    const int first = std::max(x.first, y.first);
    return {first, std::max(first, std::min(x.end, y.end))};
}

template <typename P>
void RotateNearestLoop(const View &src, const View &dst, const Rotation &r, P fill) {
    const Sint64 xhi = (Sint64)src.w << 16, yhi = (Sint64)src.h << 16;
    for (int j = 0; j < dst.h; ++j) {
        Sint64 sx, sy;
        RowStart(src, dst, r, j, sx, sy);
        const Span in = RowSpan(sx, sy, r, 0, xhi, 0, yhi, dst.w);
        P *out = Row<P>(dst, j);
        std::fill(out, out + in.first, fill);
        sx += in.first * r.cosStep, sy += in.first * r.sinStep;
        for (int i = in.first; i < in.end; ++i, sx += r.cosStep, sy += r.sinStep)
            out[i] = Row<P>(src, (int)(sy >> 16))[sx >> 16];
        std::fill(out + in.end, out + dst.w, fill);
    }
}
} // namespace

void RotateNearest8(const View &src, const View &dst, const Rotation &r, Uint8 fill) {
    RotateNearestLoop<Uint8>(src, dst, r, fill);
}

void RotateNearest32(const View &src, const View &dst, const Rotation &r, Uint32 fill) {
    RotateNearestLoop<Uint32>(src, dst, r, fill);
}

// Smooth rows have five parts: fill, edge pixels (a neighbour missing,
// taken from the nearest pixel inside), inner pixels, edge pixels, fill.
void RotateSmooth32(const View &src, const View &dst, const Rotation &r, Uint32 fill) {
    const int w = src.w, h = src.h;
    const Sint64 one = 1 << 16;
    auto edge = [&src, w, h](Sint64 sx, Sint64 sy) {
        const int xi = (int)(sx >> 16), yi = (int)(sy >> 16);
        const int x0 = std::max(xi, 0), x1 = std::min(xi + 1, w - 1);
        const Uint32 *above = Row<Uint32>(src, std::max(yi, 0));
        const Uint32 *below = Row<Uint32>(src, std::min(yi + 1, h - 1));
        return Bilinear(above[x0], above[x1], below[x0], below[x1], (int)(sx & 0xFFFF),
                        (int)(sy & 0xFFFF));
    };
    for (int j = 0; j < dst.h; ++j) {
        Sint64 sx, sy;
        RowStart(src, dst, r, j, sx, sy);
        // From one pixel left of or above the source to its last pixel ...
        const Span all = RowSpan(sx, sy, r, -one, w * one, -one, h * one, dst.w);
        // ... of which these have all four neighbours inside.
        Span inner = RowSpan(sx, sy, r, 0, (w - 1) * one, 0, (h - 1) * one, dst.w);
        if (inner.first >= inner.end) inner = {all.end, all.end};
        Uint32 *out = Row<Uint32>(dst, j);
        std::fill(out, out + all.first, fill);
        sx += all.first * r.cosStep, sy += all.first * r.sinStep;
        int i = all.first;
        for (; i < inner.first; ++i, sx += r.cosStep, sy += r.sinStep)
            out[i] = edge(sx, sy);
        for (; i < inner.end; ++i, sx += r.cosStep, sy += r.sinStep) {
            const Uint32 *above = Row<Uint32>(src, (int)(sy >> 16)) + (sx >> 16);
            const Uint32 *below = reinterpret_cast<const Uint32 *>(
                reinterpret_cast<const Uint8 *>(above) + src.pitch);
            out[i] = Bilinear(above[0], above[1], below[0], below[1], (int)(sx & 0xFFFF),
                              (int)(sy & 0xFFFF));
        }
        for (; i < all.end; ++i, sx += r.cosStep, sy += r.sinStep)
            out[i] = edge(sx, sy);
        std::fill(out + all.end, out + dst.w, fill);
    }
}

// ---------------------------------------------------------------------------
// Conversion
// ---------------------------------------------------------------------------
namespace {
// A 24-bit pixel keeps each channel's byte at offset shift / 8, so the raw
// value is its three bytes read little-endian, on any processor.
inline Uint32 Raw(const Pixel24 &p) {
    return (Uint32)p.bytes[0] | (Uint32)p.bytes[1] << 8 | (Uint32)p.bytes[2] << 16;
}
inline Uint32 Raw(Uint16 p) {
    return p;
}

template <typename P>
void ConvertLoop(const View &src, const SDL_PixelFormat &f, bool keyed, Uint8 alpha,
                 const View &dst) {
    for (int y = 0; y < dst.h; ++y) {
        const P *in = Row<P>(src, y);
        Uint32 *out = Row<Uint32>(dst, y);
        for (int x = 0; x < dst.w; ++x) {
            const Uint32 p = Raw(in[x]);
            out[x] = keyed && p == f.colorkey ? 0 : ToRGBA32(p, f, alpha);
        }
    }
}
} // namespace

void ConvertToRGBA32(const View &src, const SDL_PixelFormat &format, bool keyed, Uint8 alpha,
                     const View &dst) {
    if (format.BytesPerPixel == 2)
        ConvertLoop<Uint16>(src, format, keyed, alpha, dst);
    else if (format.BytesPerPixel == 3)
        ConvertLoop<Pixel24>(src, format, keyed, alpha, dst);
}

} // namespace fx
} // namespace qnl
