// Drawing the preview pictures of sprites and tiles: a canvas, resource
// pixels enlarged over a checkerboard (so that transparent parts show),
// grid lines and labels.
#ifndef DPFTOOL_CANVAS_H
#define DPFTOOL_CANVAS_H

#include <SDL.h>

namespace dpftool {

// A new 32-bit canvas filled with the preview's background colour.
SDL_Surface *NewCanvas(int width, int height);

// The whole factor, 1 to 8, by which a picture is shown: its `detail` (a
// frame's or cell's smaller side) made at least 48 pixels, as long as its
// `extent` (the whole picture's larger side) stays within 1024.
int PreviewScale(int detail, int extent);

// Draws `area` of `src` on `canvas` at (x, y), each pixel as a square of
// `scale` x `scale`, over a checkerboard: the source's colour key, alpha
// per pixel and per-surface alpha are honoured.
void DrawEnlarged(SDL_Surface *canvas, SDL_Surface *src, const SDL_Rect &area, int x, int y,
                  int scale);

// A one-pixel outline of `rect` in 0xRRGGBB `color`.
void DrawOutline(SDL_Surface *canvas, const SDL_Rect &rect, Uint32 color);

// The width DrawLabel gives `text` at `pixels` high (0 without the font).
int LabelWidth(const char *text, int pixels = 12);

// Label colours.
constexpr SDL_Color kLabelColor = {235, 235, 235, 0};
constexpr SDL_Color kNoteColor = {150, 150, 150, 0};

} // namespace dpftool

#endif
