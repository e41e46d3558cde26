// PNG output of surfaces (SDL_image reads PNG but cannot write it).
#ifndef QUENLAR_GFX_PNGWRITER_H
#define QUENLAR_GFX_PNGWRITER_H

#include <SDL.h>
#include <vector>

namespace qnl {

// PNG bytes of `surface`, 8 bits per channel: RGBA when the surface has an
// alpha channel or colour keying (keyed pixels become transparent), RGB
// otherwise. Per-surface alpha is not part of the picture. Empty on failure.
std::vector<Uint8> EncodePNG(SDL_Surface *surface);

// Writes EncodePNG's bytes to `path`. 1 on success, 0 on failure.
int SavePNG(SDL_Surface *surface, const char *path);

} // namespace qnl

#endif
