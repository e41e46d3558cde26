// The pixel loops of IScreenFX (see screenfx_private.h for the rules).
//
// Index
//   Rows ......... MirrorRows, FlipRows
//   Scaling ...... ScaleNearest8/32, ScaleSmooth32
//   Rotation ..... RotateNearest8/32, RotateSmooth32
//   Conversion ... ConvertToRGBA32
#include <quenlar/gfx/screenfx_private.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace qnl {
namespace fx {

namespace {
template <typename P> P *Row(const View &v, int y) {
    return reinterpret_cast<P *>(v.pixels + (std::ptrdiff_t)y * v.pitch);
}

struct Pixel24 {
    Uint8 bytes[3];
};

// One channel step of the bilinear filter on all four bytes of a pixel:
// a + ((b - a) * f >> 16) per byte, f a 16-bit fraction.
inline Uint32 Lerp(Uint32 a, Uint32 b, int f) {
    Uint32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = (int)(a >> shift & 0xFF), cb = (int)(b >> shift & 0xFF);
        out |= (Uint32)((ca + ((cb - ca) * f >> 16)) & 0xFF) << shift;
    }
    return out;
}

template <typename P> std::unique_ptr<P[]> Table(int count) {
    return std::unique_ptr<P[]>(new (std::nothrow) P[(size_t)count]);
}
} // namespace

// ---------------------------------------------------------------------------
// Rows
// ---------------------------------------------------------------------------
namespace {
template <typename P> void MirrorLoop(const View &src, const View &dst) {
    const int last = src.w - 1;
    for (int y = 0; y < dst.h; ++y) {
        const P *in = Row<P>(src, y);
        P *out = Row<P>(dst, y);
        for (int x = 0; x < dst.w; ++x)
            out[x] = in[last - x];
    }
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
        const Uint32 *in = Row<Uint32>(src_, y);
        Uint32 *out = line_[s];
        for (int k = 0; k < count_; ++k)
            out[k] = Lerp(in[cols_[k].a], in[cols_[k].b], cols_[k].f);
        row_[s] = y;
        return out;
    }

private:
    const View &src_;
    const Tap *cols_;
    int count_;
    Uint32 *line_[2];
    int row_[2] = {-1, -1};
};

// The vertical step, byte by byte (every byte is a channel): contiguous, so
// the compiler vectorises it.
void BlendRows(const Uint32 *top, const Uint32 *bottom, int f, Uint32 *out, int count) {
    const Uint8 *t = reinterpret_cast<const Uint8 *>(top);
    const Uint8 *b = reinterpret_cast<const Uint8 *>(bottom);
    Uint8 *o = reinterpret_cast<Uint8 *>(out);
    for (int k = 0; k < 4 * count; ++k)
        o[k] = (Uint8)(t[k] + ((b[k] - t[k]) * f >> 16));
}
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
        BlendRows(top, scaled.Get(r.b, r.a), r.f, out, dst.w);
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

template <typename P>
void RotateNearestLoop(const View &src, const View &dst, const Rotation &r, P fill) {
    const Uint64 w = (Uint64)src.w, h = (Uint64)src.h;
    for (int j = 0; j < dst.h; ++j) {
        Sint64 sx, sy;
        RowStart(src, dst, r, j, sx, sy);
        P *out = Row<P>(dst, j);
        for (int i = 0; i < dst.w; ++i, sx += r.cosStep, sy += r.sinStep) {
            // Negative points wrap to huge values: one test per axis.
            const Uint64 x = (Uint64)(sx >> 16), y = (Uint64)(sy >> 16);
            out[i] = x < w && y < h ? Row<P>(src, (int)y)[x] : fill;
        }
    }
}
} // namespace

void RotateNearest8(const View &src, const View &dst, const Rotation &r, Uint8 fill) {
    RotateNearestLoop<Uint8>(src, dst, r, fill);
}

void RotateNearest32(const View &src, const View &dst, const Rotation &r, Uint32 fill) {
    RotateNearestLoop<Uint32>(src, dst, r, fill);
}

void RotateSmooth32(const View &src, const View &dst, const Rotation &r, Uint32 fill) {
    const int w = src.w, h = src.h;
    for (int j = 0; j < dst.h; ++j) {
        Sint64 sx, sy;
        RowStart(src, dst, r, j, sx, sy);
        Uint32 *out = Row<Uint32>(dst, j);
        for (int i = 0; i < dst.w; ++i, sx += r.cosStep, sy += r.sinStep) {
            const Sint64 xi = sx >> 16, yi = sy >> 16;
            // Points from one pixel left of or above the source to its last pixel.
            if ((Uint64)(xi + 1) > (Uint64)w || (Uint64)(yi + 1) > (Uint64)h) {
                out[i] = fill;
                continue;
            }
            const int x0 = xi < 0 ? 0 : (int)xi, x1 = xi + 1 < w ? (int)xi + 1 : w - 1;
            const int y0 = yi < 0 ? 0 : (int)yi, y1 = yi + 1 < h ? (int)yi + 1 : h - 1;
            const Uint32 *above = Row<Uint32>(src, y0), *below = Row<Uint32>(src, y1);
            const int fx = (int)(sx & 0xFFFF), fy = (int)(sy & 0xFFFF);
            out[i] = Lerp(Lerp(above[x0], above[x1], fx), Lerp(below[x0], below[x1], fx), fy);
        }
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
