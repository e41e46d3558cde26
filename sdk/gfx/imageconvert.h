// Preparing pictures for storage as "IMG" blocks: reading PNG and BMP
// files and changing a picture's depth.
#ifndef QUENLAR_GFX_IMAGECONVERT_H
#define QUENLAR_GFX_IMAGECONVERT_H

#include <SDL.h>

namespace qnl {

// A PNG or BMP file (told apart by its signature) as a new surface in the
// file's own format, or null. The caller frees it.
SDL_Surface *LoadImageFile(const char *path);

// A new surface with `src`'s picture at `bitsPerPixel`: 32 (ARGB, alpha
// channel only when `src` has one), 24 (RGB), 16 (RGB 565, or ARGB 4444
// when `src` has an alpha channel) or 8 (a palette of the picture's own
// colours when there are at most 256, else a fixed 3-3-2 palette; alpha is
// dropped). Pixels are converted one by one, never blended. `src` is kept;
// null for another depth or on failure.
SDL_Surface *ConvertDepth(SDL_Surface *src, int bitsPerPixel);

} // namespace qnl

#endif
