// Pixel formats that come out the same on every SDL 1.2 library. The SDK
// runs on classic SDL 1.2 and on sdl12-compat (SDL 1.2 over SDL 2), which
// differ in the channel masks a surface may have, in how channels narrower
// than 8 bits are widened, in the depth reported for 5-5-5 pixels and in
// what is left in the bits no channel uses. These helpers give one answer.
#ifndef QUENLAR_PLATFORM_PIXELFORMAT_PRIVATE_H
#define QUENLAR_PLATFORM_PIXELFORMAT_PRIVATE_H

#include <SDL.h>
#include <cstddef>

namespace qnl {
namespace platform {

// Pixels laid out as a stored surface record holds them: 8, 16, 24 or 32
// bits per pixel, little-endian, with these channel masks (8 bits: palette
// indices; all masks 0: SDL's default layout of the depth).
struct PixelLayout {
    int bitsPerPixel;
    Uint32 rmask, gmask, bmask, amask;
};

// A new software surface holding `height` rows of `pitch` bytes of pixels
// in `layout` (a palette is the caller's to set). Classic SDL 1.2 takes any
// masks, and the rows are copied as they are; sdl12-compat knows only SDL
// 2's layouts and silently gives another, so pixels of a layout the library
// lacks are converted into a 32-bit surface with 8-bit channels (alpha only
// with an alpha mask): the colours classic SDL shows for them. Null when SDL
// cannot make the surface.
SDL_Surface *SurfaceFromPixels(const PixelLayout &layout, int width, int height,
                               const Uint8 *pixels, size_t pitch);

// A new software surface of exactly `layout`, for pixels to be written in
// as they are; null when SDL cannot make it or the library lacks the
// layout (SurfaceFromPixels converts those).
SDL_Surface *SurfaceOfLayout(const PixelLayout &layout, int width, int height);

// `value`, a pixel of `layout`, as `surface` (from SurfaceFromPixels) holds
// it; for colour keys.
Uint32 PixelIn(const SDL_Surface *surface, const PixelLayout &layout, Uint32 value);

// A new copy of `surface` with 8-bit channels when it has narrower ones,
// keeping its colour key and per-surface alpha; null otherwise (palettes and
// 8-bit channels) or when SDL cannot make it. Convert this copy instead of
// the surface: classic SDL widens 5-6-5 white to (248, 252, 248) and the
// opaque alpha of 4-4-4-4 pixels to 240, sdl12-compat to 255; widened here,
// both libraries start from the same colours.
SDL_Surface *WidenedCopy(SDL_Surface *surface);

// The bits of a pixel value of `format` that carry a channel (every bit
// for palette indices). SDL leaves the other bits undefined: an alpha blit
// onto an RGB surface sets them on sdl12-compat and clears them on classic.
// Inline: pixel reads ask it for every pixel.
inline Uint32 ChannelBits(const SDL_PixelFormat *format) {
    const Uint32 bits = format->Rmask | format->Gmask | format->Bmask | format->Amask;
    return format->palette || !bits ? 0xFFFFFFFF : bits;
}

// The depth a stored surface record gives `format`: its bytes per pixel x 8.
// sdl12-compat reports a 5-5-5 surface as 15 bits, classic SDL as the 16 it
// was asked for.
int StoredBitsPerPixel(const SDL_PixelFormat *format);

} // namespace platform
} // namespace qnl

#endif
