// The marker convention of font pictures, shared by CFont and the tools
// that make font sheets. Row 0 of a font sheet holds runs of pure magenta
// before, between and after the 94 characters '!' to '~' (95 runs); a
// picture without that row separates its characters by empty columns.
// The caller holds the surface's lock. SDK-internal.
#ifndef QUENLAR_GFX_FONTSHEET_PRIVATE_H
#define QUENLAR_GFX_FONTSHEET_PRIVATE_H

#include <SDL.h>

namespace qnl {

constexpr int kFontFirstChar = 33; // '!'
constexpr int kFontLastChar = 126; // '~'
constexpr int kFontChars = kFontLastChar - kFontFirstChar + 1;
constexpr int kFontMarkerRuns = kFontChars + 1;

// The marker colour, red 255, green 0, blue 255, whatever the alpha.
bool IsFontMarker(const SDL_PixelFormat *format, Uint32 pixel);

// The runs of marker pixels in row 0, each from its first marker pixel
// `starts[k]` to the first pixel after it `ends[k]` (exclusive). Stores at
// most `max` runs and returns how many there are.
int ScanFontMarkers(const SDL_Surface *sheet, int *starts, int *ends, int max);

// A column has content when one of its pixels is not 0 and not fully
// transparent: black and transparent columns are empty.
bool FontColumnHasContent(const SDL_Surface *picture, int x);

// Runs of columns with content: the characters of a picture without
// marker row.
int CountFontGlyphs(const SDL_Surface *picture);

} // namespace qnl

#endif
