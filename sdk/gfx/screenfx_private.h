// The pixel loops of IScreenFX. They know nothing of SDL surfaces, locks or
// the log: the caller hands them views of locked pixels and has already
// checked every size. One loop per pixel size; no per-pixel calls.
#ifndef QUENLAR_GFX_SCREENFX_PRIVATE_H
#define QUENLAR_GFX_SCREENFX_PRIVATE_H

#include <quenlar/core/blockcopy.h>

#include <SDL.h>

namespace qnl {
namespace fx {

// A rectangle of pixels: `pixels` points at its top-left pixel, rows are
// `pitch` bytes apart. Sizes are at least 1.
struct View {
    Uint8 *pixels;
    int pitch;
    int w, h;
};

// Same-size copies: each row reversed (1 to 4 bytes per pixel), or the rows
// in reverse order, each copied with `copy`.
void MirrorRows(const View &src, const View &dst, int bytesPerPixel);
void FlipRows(const View &src, const View &dst, int bytesPerPixel, QuenlarCopyFn copy);

// Scaling of `src` to the size of `dst`, stepping through the source in
// 16.16 fixed point: result pixel k samples source position k * step.
// Nearest: step = source size * 65536 / result size; a mirrored axis walks
// backwards from the last column or row. Smooth (bilinear, 32 bits):
// step = (source size - 1) * 65536 / result size, each channel
// a + ((b - a) * fraction >> 16) along x, then the same between the two
// rows. false when the column table cannot be allocated (result unfilled).
bool ScaleNearest8(const View &src, const View &dst, bool mirrorX, bool mirrorY);
bool ScaleNearest32(const View &src, const View &dst, bool mirrorX, bool mirrorY);
bool ScaleSmooth32(const View &src, const View &dst, bool mirrorX, bool mirrorY);

// Inverse mapping of a rotation: result pixel (i, j) samples the source
// point (w/2, h/2) + ((i - W/2) * cosStep - (j - H/2) * sinStep,
// (i - W/2) * sinStep + (j - H/2) * cosStep) / 65536, where cosStep and
// sinStep are 65536 * cos / zoom and 65536 * sin / zoom. Points off the
// source leave `fill`. Smooth also takes points down to one pixel left of
// or above the source, with missing neighbours taken from the edge.
struct Rotation {
    Sint64 cosStep, sinStep;
};
void RotateNearest8(const View &src, const View &dst, const Rotation &r, Uint8 fill);
void RotateNearest32(const View &src, const View &dst, const Rotation &r, Uint32 fill);
void RotateSmooth32(const View &src, const View &dst, const Rotation &r, Uint32 fill);

// A raw pixel of `format` as a 32-bit one with red in the lowest byte and
// alpha in the highest: each channel widened to 8 bits as SDL's blits do;
// alpha from the format's alpha channel, else `alpha`.
inline Uint32 ToRGBA32(Uint32 p, const SDL_PixelFormat &f, Uint8 alpha) {
    auto channel = [p](Uint32 mask, Uint8 shift, Uint8 loss) {
        return ((p & mask) >> shift << loss) & 0xFF;
    };
    const Uint32 a = f.Amask ? channel(f.Amask, f.Ashift, f.Aloss) : alpha;
    return channel(f.Rmask, f.Rshift, f.Rloss) | channel(f.Gmask, f.Gshift, f.Gloss) << 8 |
           channel(f.Bmask, f.Bshift, f.Bloss) << 16 | a << 24;
}

// Copies a 15/16-bit (bytesPerPixel 2) or 24-bit (3) rectangle into a
// 32-bit one through ToRGBA32, `alpha` being the source's per-surface alpha
// (or 255). Pixels equal to the source's colour key (when `keyed`) become
// 0, fully transparent.
void ConvertToRGBA32(const View &src, const SDL_PixelFormat &format, bool keyed, Uint8 alpha,
                     const View &dst);

} // namespace fx
} // namespace qnl

#endif
