// Raw pixel access shared by IPrimitives and the texture layer. The caller
// checks the coordinates and holds the surface lock; values are raw pixels
// of the surface's own format. Reads leave out the bits no channel uses:
// SDL leaves them undefined, and the SDL 1.2 libraries fill them differently.
#ifndef QUENLAR_GFX_PIXEL_PRIVATE_H
#define QUENLAR_GFX_PIXEL_PRIVATE_H

#include <quenlar/platform/pixelformat_private.h>

#include <SDL.h>

namespace qnl {

// A 24-bit pixel keeps each channel's byte at offset shift / 8 of its three
// bytes. Shifts that point outside the three bytes (a malformed format) are
// skipped, as are alpha shifts of formats without alpha.
inline Uint32 ChannelByteIn(const Uint8 *p, Uint8 shift) {
    return shift < 24 ? (Uint32)p[shift / 8] << shift : 0;
}
inline void PutChannelByte(Uint8 *p, Uint32 pixel, Uint8 shift) {
    if (shift < 24) p[shift / 8] = (Uint8)(pixel >> shift);
}

inline Uint32 ReadRawPixel(const SDL_Surface *s, int x, int y) {
    const Uint8 *row = static_cast<const Uint8 *>(s->pixels) + y * s->pitch;
    switch (s->format->BytesPerPixel) {
    case 1:
        return row[x];
    case 2:
        return reinterpret_cast<const Uint16 *>(row)[x] & platform::ChannelBits(s->format);
    case 4:
        return reinterpret_cast<const Uint32 *>(row)[x] & platform::ChannelBits(s->format);
    case 3: {
        const SDL_PixelFormat *f = s->format;
        const Uint8 *p = row + 3 * x;
        const Uint32 rgb =
            ChannelByteIn(p, f->Rshift) | ChannelByteIn(p, f->Gshift) | ChannelByteIn(p, f->Bshift);
        return f->Amask ? rgb | ChannelByteIn(p, f->Ashift) : rgb;
    }
    default:
        return 0;
    }
}

inline void WriteRawPixel(SDL_Surface *s, int x, int y, Uint32 pixel) {
    Uint8 *row = static_cast<Uint8 *>(s->pixels) + y * s->pitch;
    switch (s->format->BytesPerPixel) {
    case 1:
        row[x] = (Uint8)pixel;
        break;
    case 2:
        reinterpret_cast<Uint16 *>(row)[x] = (Uint16)pixel;
        break;
    case 4:
        reinterpret_cast<Uint32 *>(row)[x] = pixel;
        break;
    case 3: {
        const SDL_PixelFormat *f = s->format;
        Uint8 *p = row + 3 * x;
        PutChannelByte(p, pixel, f->Rshift);
        PutChannelByte(p, pixel, f->Gshift);
        PutChannelByte(p, pixel, f->Bshift);
        if (f->Amask) PutChannelByte(p, pixel, f->Ashift);
        break;
    }
    default:
        break;
    }
}

} // namespace qnl

#endif
