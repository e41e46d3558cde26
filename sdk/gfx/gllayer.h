// The texture layer behind the OpenGL renderer (renderer code 64).
//
// Drawing code takes its OpenGL path while Quenlar.IsOpenGL() is set: loaded
// surfaces are "uploaded" as textures, pixel functions read and write
// texture-held surfaces through this layer, and screen effects hand it a
// transformation instead of transforming the pixels themselves. This layer
// keeps textures in system memory: an uploaded surface stays an ordinary
// SDL surface marked as held, pixels are read and written in place, and a
// transformed draw maps every destination pixel back to the source in
// software.
#ifndef QUENLAR_GFX_GLLAYER_H
#define QUENLAR_GFX_GLLAYER_H

#include <SDL.h>

namespace qnl {
namespace gl {

// Marks `surface` as held by the layer. 1 on success, 0 for no surface.
int Upload(SDL_Surface *surface);
// A held surface carries this value in SDL's spare `unused1` field. SDL
// zeroes the field when it makes a surface and never reads it, so the mark
// dies with the surface: no table can keep a stale address.
constexpr Uint32 kTextureMark = 0x514E4C54; // "QNLT"
// 1 when `surface` was uploaded (a surface freed and made again is not).
// Inline: the pixel functions ask it for every pixel.
inline int IsTexture(const SDL_Surface *surface) {
    return surface && surface->unused1 == kTextureMark;
}
// Uploads since start-up, for diagnostics and tests.
unsigned UploadCount();

// Pixel access of a texture-held surface; coordinates must lie on it.
Uint32 GetPixel(SDL_Surface *surface, int x, int y);
void PutPixel(SDL_Surface *surface, int x, int y, Uint32 pixel);

// How a texture is placed: source point p (relative to the source
// rectangle) lands at (x, y) + centre + R(angle) * scale * (p - centre).
// Negative scales mirror; the angle is in degrees, counter-clockwise on
// screen for positive values.
struct Transform {
    double scaleX = 1.0, scaleY = 1.0;
    double angle = 0.0;
    double centreX = 0.0, centreY = 0.0;
    bool smooth = false; // accepted for the API; this layer samples the nearest pixel
};

// Draws the `srcrect` part of `src` (null: all of it) onto `dst` with its
// top-left corner mapped to (x, y), within `dst`'s clip rectangle. Colour
// key, per-surface alpha and alpha per pixel of the source are honoured
// (opaque pixels are written exactly). 0 on success, -1 on failure.
int Draw(SDL_Surface *src, const SDL_Rect *srcrect, SDL_Surface *dst, int x, int y,
         const Transform &transform);

} // namespace gl
} // namespace qnl

#endif
