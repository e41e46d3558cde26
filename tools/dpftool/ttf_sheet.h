// Font sheets for CFont drawn from TrueType fonts with SDL_ttf: the 94
// characters '!' to '~' side by side, each in a cell as wide as its
// advance (wider when its pixels reach past it), with one-pixel marker
// runs before, between and after the cells. Drawn with a spacing of -1 the
// characters then stand where the TrueType font places them.
//
// 32 bits per pixel: anti-aliased characters with alpha per pixel on a
// fully transparent background, right on any background and any screen
// (converted with alpha when loaded). 16 or 24 bits: characters without
// anti-aliasing on a colour-keyed background (black; white for black
// characters), the fastest to draw.
#ifndef DPFTOOL_TTF_SHEET_H
#define DPFTOOL_TTF_SHEET_H

#include <SDL.h>
#include <string>

namespace dpftool {

// The sheet of the font file `path` at `pixels` pixels per em, or null
// with the reason in `error`. The caller frees it.
SDL_Surface *RenderTtfSheet(const char *path, int pixels, SDL_Color color, int bitsPerPixel,
                            std::string &error);

} // namespace dpftool

#endif
