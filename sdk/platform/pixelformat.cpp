#include <quenlar/platform/pixelformat_private.h>

#include <algorithm>
#include <cstring>

namespace qnl {
namespace platform {

namespace {

// The 32-bit layout pixels are converted into: 8 bits per channel.
constexpr Uint32 kRed = 0x00FF0000, kGreen = 0x0000FF00, kBlue = 0x000000FF;
constexpr Uint32 kAlpha = 0xFF000000;

int BitCount(Uint32 mask) {
    int n = 0;
    for (; mask; mask &= mask - 1)
        ++n;
    return n;
}

int LowestBit(Uint32 mask) {
    int n = 0;
    for (; mask && !(mask & 1); mask >>= 1)
        ++n;
    return n;
}

// One channel of `value` in 8 bits, or `absent` without a mask. Wider
// channels keep their top 8 bits; narrower ones repeat their bits, so that
// the largest value gives 255 (5-bit 16 gives 132).
Uint32 Channel8(Uint32 value, Uint32 mask, Uint32 absent) {
    const int bits = BitCount(mask);
    if (bits == 0) return absent;
    const Uint32 v = (value & mask) >> LowestBit(mask);
    if (bits >= 8) return (v >> (bits - 8)) & 0xFF;
    Uint32 out = 0;
    int filled = 0;
    for (; filled < 8; filled += bits)
        out = out << bits | v;
    return (out >> (filled - 8)) & 0xFF;
}

// `value`, a pixel of `layout`, in the 32-bit layout (alpha byte 0 when the
// layout has no alpha: the byte is then unused).
Uint32 To32(Uint32 value, const PixelLayout &layout) {
    const Uint32 alpha = layout.amask ? Channel8(value, layout.amask, 255) << 24 : 0;
    return alpha | Channel8(value, layout.rmask, 0) << 16 | Channel8(value, layout.gmask, 0) << 8 |
           Channel8(value, layout.bmask, 0);
}

Uint32 ReadLE(const Uint8 *p, int bytes) {
    Uint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Rows of `layout` into `dst`, a 32-bit surface of the converted layout.
void ConvertRows(const PixelLayout &layout, const Uint8 *pixels, size_t pitch, SDL_Surface *dst) {
    const int bytes = layout.bitsPerPixel / 8;
    for (int y = 0; y < dst->h; ++y) {
        const Uint8 *src = pixels + (size_t)y * pitch;
        Uint32 *row =
            reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(dst->pixels) + (size_t)y * dst->pitch);
        for (int x = 0; x < dst->w; ++x)
            row[x] = To32(ReadLE(src + (size_t)x * bytes, bytes), layout);
    }
}

SDL_Surface *Create32(int width, int height, bool alpha) {
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, kRed, kGreen, kBlue,
                                alpha ? kAlpha : 0);
}

// Whether `format` lays pixels out as `layout` does. Masks all 0 leave the
// layout to SDL, whose defaults are the same in both libraries.
bool Holds(const SDL_PixelFormat *format, const PixelLayout &layout) {
    if (format->BytesPerPixel * 8 != layout.bitsPerPixel) return false;
    if (!(layout.rmask | layout.gmask | layout.bmask | layout.amask)) return true;
    return format->Rmask == layout.rmask && format->Gmask == layout.gmask &&
           format->Bmask == layout.bmask && format->Amask == layout.amask;
}

bool HasNarrowChannel(const SDL_PixelFormat *f) {
    for (Uint32 mask : {f->Rmask, f->Gmask, f->Bmask, f->Amask})
        if (mask && BitCount(mask) < 8) return true;
    return false;
}

} // namespace

SDL_Surface *SurfaceOfLayout(const PixelLayout &layout, int width, int height) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, layout.bitsPerPixel,
                                          layout.rmask, layout.gmask, layout.bmask, layout.amask);
    if (s && Holds(s->format, layout)) return s;
    SDL_FreeSurface(s);
    return nullptr;
}

SDL_Surface *SurfaceFromPixels(const PixelLayout &layout, int width, int height,
                               const Uint8 *pixels, size_t pitch) {
    SDL_Surface *s = SurfaceOfLayout(layout, width, height);
    if (s) {
        const size_t row = std::min(pitch, (size_t)s->pitch);
        for (int y = 0; y < height; ++y)
            std::memcpy(static_cast<Uint8 *>(s->pixels) + (size_t)y * s->pitch,
                        pixels + (size_t)y * pitch, row);
        return s;
    }
    s = Create32(width, height, layout.amask != 0);
    if (s) ConvertRows(layout, pixels, pitch, s);
    return s;
}

Uint32 PixelIn(const SDL_Surface *surface, const PixelLayout &layout, Uint32 value) {
    return Holds(surface->format, layout) ? value : To32(value, layout);
}

SDL_Surface *WidenedCopy(SDL_Surface *surface) {
    if (!surface) return nullptr;
    const SDL_PixelFormat *f = surface->format;
    if (f->palette || !HasNarrowChannel(f)) return nullptr;
    SDL_Surface *copy = Create32(surface->w, surface->h, f->Amask != 0);
    if (!copy) return nullptr;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) {
        SDL_FreeSurface(copy);
        return nullptr;
    }
    const PixelLayout layout = {f->BytesPerPixel * 8, f->Rmask, f->Gmask, f->Bmask, f->Amask};
    ConvertRows(layout, static_cast<const Uint8 *>(surface->pixels), surface->pitch, copy);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);

    if (surface->flags & SDL_SRCCOLORKEY)
        SDL_SetColorKey(copy, SDL_SRCCOLORKEY, To32(f->colorkey, layout));
    SDL_SetAlpha(copy, surface->flags & SDL_SRCALPHA, f->alpha);
    return copy;
}

int StoredBitsPerPixel(const SDL_PixelFormat *format) {
    return format->BytesPerPixel * 8;
}

} // namespace platform
} // namespace qnl
