// IPrimitives: pixels, lines, rectangles and surface locking.
//
// Colours are raw pixel values of the target surface (SDL_MapRGB of its
// format). Lines and rectangles are clipped by SDL to the clip rectangle;
// pixel writes outside the surface or its clip rectangle are ignored.
#ifndef QUENLAR_GFX_PRIMITIVES_H
#define QUENLAR_GFX_PRIMITIVES_H

#include <SDL.h>

class QPrimitives {
public:
    QPrimitives();
    ~QPrimitives();
    QPrimitives(const QPrimitives &) = delete;
    QPrimitives &operator=(const QPrimitives &) = delete;

    // Lines and rectangles drawn on the screen keep the software cursor
    // intact (gfx/blit.h's CursorGuard).
    // Horizontal line from x1 to x2 (both included) at y; SDL_FillRect's result.
    int HLine(SDL_Surface *surface, Sint16 x1, Sint16 x2, Sint16 y, Uint32 color);
    // Vertical line from y1 to y2 (both included) at x; SDL_FillRect's result.
    int VLine(SDL_Surface *surface, Sint16 x, Sint16 y1, Sint16 y2, Uint32 color);
    // One-pixel outline with corners (x1, y1) and (x2, y2).
    void Rect(SDL_Surface *surface, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2, Uint32 color);

    // Lock and unlock only surfaces that SDL requires to be locked (hardware,
    // asynchronous-blit or RLE surfaces, or a non-zero offset).
    void Lock(SDL_Surface *surface);
    void Unlock(SDL_Surface *surface);

    // One pixel, 1 to 4 bytes per pixel. `lock` 1 locks around the access.
    // Raw access without cursor protection (a blit cannot run while the
    // caller holds the screen locked): a drawing made of pixels on the screen
    // guards itself as a whole with CursorGuard.
    void PutPixel(SDL_Surface *surface, Sint16 x, Sint16 y, Uint32 pixel, Uint8 lock = 0);
    // 0 for no surface or a point off the surface.
    Uint32 GetPixel(SDL_Surface *surface, Sint16 x, Sint16 y, Uint8 lock = 0);
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QPrimitives *IPrimitives;

#endif
