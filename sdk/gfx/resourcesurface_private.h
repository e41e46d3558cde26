// The last steps of loading a sprite sheet or a tile: how its stored alpha
// and colour key become the surface's, and its conversion to the screen's
// format. SDK-internal.
#ifndef QUENLAR_GFX_RESOURCESURFACE_PRIVATE_H
#define QUENLAR_GFX_RESOURCESURFACE_PRIVATE_H

#include <quenlar/gfx/imageblock.h>

#include <SDL.h>

namespace qnl {

// How a loaded resource surface is drawn.
struct ResourceLook {
    bool perPixelAlpha = false;      // alpha and colour key are then not used
    Uint8 alpha = 255;               // per-surface alpha, 255 opaque
    Uint32 colorkey = kNoColorKey;   // in the surface's final format, or none
    bool convertedWithAlpha = false; // converted keeping alpha per pixel (worth a message)
};

// Takes over `surface`, decoded from a block with `stored` values, and
// returns the surface to draw (possibly another one; `surface` is then
// freed), or null when memory ran out (`surface` freed too):
// - alpha per pixel when the surface is alpha-blended and the stored alpha
//   is 255; otherwise a 32-bit surface drops its alpha channel (a 24-bit
//   copy), the stored alpha becomes per-surface alpha, and the stored key
//   is kept as the colour it denotes;
// - converted to the display format when the test of gfx/surface.h asks
//   for it, and handed to the OpenGL renderer when that runs;
// - the key colour set in the final format (with the OpenGL renderer, set
//   before the conversion, which carries it over).
SDL_Surface *PrepareResourceSurface(SDL_Surface *surface, const ImageBlockHeader &stored,
                                    ResourceLook &look);

// Sets the per-surface alpha and colour key of `look` on `surface` where
// they differ from what it carries; costs two comparisons otherwise.
void ApplyResourceLook(SDL_Surface *surface, const ResourceLook &look);

// SDL rectangles hold 16-bit coordinates: `v` clamped into them.
Sint16 ClampCoordinate(double v);

} // namespace qnl

#endif
