// IScreenFX: mirror, flip, resize, zoom and rotate surfaces.
//
// Every operation takes a source surface and, optionally, a rectangle of it
// (null: the whole source; clipped to the source), a destination surface and
// a destination rectangle (only its x and y count; null: (0, 0)).
// Without a destination the result is a new surface that the caller frees.
// With one, the result is drawn there (through Quenlar.ScreenBlit) and the
// destination is returned; Resize, Zoom and RotoZoom centre their result on
// the place the untransformed rectangle would occupy.
// Null for no source, a source that is also the destination, an empty
// rectangle, or a result refused as too large.
//
// Formats. Mirror and Flip keep any pixel size. Resize, Zoom and RotoZoom
// work on 32- and 8-bit pixels; other sources are first copied to 32 bits
// (red in the lowest byte, alpha in the highest). 8-bit sources are always
// scaled and rotated by nearest pixel; results keep their palette.
//
// With the OpenGL renderer, a source held as a texture and given a
// destination is drawn by the texture layer instead (sdk/gfx/gllayer.h);
// RotoZoom then returns null.
#ifndef QUENLAR_GFX_SCREENFX_H
#define QUENLAR_GFX_SCREENFX_H

#include <SDL.h>

class QScreenFX {
public:
    // Results larger than this, on a side or in all, are refused with a
    // logged error before anything is allocated (SDL 1.2 makes no surface
    // wider than 16383 pixels; 2^26 pixels are 256 MiB at 32 bits).
    static constexpr int kMaxSide = 16383;
    static constexpr int kMaxPixels = 1 << 26;

    // Creates IPrimitives when it does not exist yet (and then deletes it).
    QScreenFX();
    ~QScreenFX();
    QScreenFX(const QScreenFX &) = delete;
    QScreenFX &operator=(const QScreenFX &) = delete;

    // Left-right and top-bottom mirror images. A colour key, a per-surface
    // alpha below 255 and an 8-bit palette are carried to the result.
    SDL_Surface *Mirror(SDL_Surface *src, const SDL_Rect *srcrect = nullptr,
                        SDL_Surface *dst = nullptr, const SDL_Rect *dstrect = nullptr);
    SDL_Surface *Flip(SDL_Surface *src, const SDL_Rect *srcrect = nullptr,
                      SDL_Surface *dst = nullptr, const SDL_Rect *dstrect = nullptr);

    // Scales to width x height. A negative size mirrors that axis; 0 counts
    // as 1. `smooth` filters 32-bit pixels bilinearly. Key, alpha and
    // palette are carried as by Mirror (a converted source's key as the
    // same colour).
    SDL_Surface *Resize(SDL_Surface *src, bool smooth, int width, int height,
                        const SDL_Rect *srcrect = nullptr, SDL_Surface *dst = nullptr,
                        const SDL_Rect *dstrect = nullptr);
    // Resize to (int)(width * zoomx) x (int)(height * zoomy), 0 becoming 1.
    SDL_Surface *Zoom(SDL_Surface *src, bool smooth, double zoomx, double zoomy,
                      const SDL_Rect *srcrect = nullptr, SDL_Surface *dst = nullptr,
                      const SDL_Rect *dstrect = nullptr);

    // Rotates by `angle` degrees (counter-clockwise on screen) about the
    // rectangle's centre and scales by `zoom` (at least 0.001). Angles
    // below 0.001 in magnitude are a Zoom. The result is as large as the
    // turned rectangle needs; where it shows no source it holds its colour
    // key (the source's, else 255 at 8 bits, else 0xFF00FF), or is fully
    // transparent when it has an alpha channel.
    SDL_Surface *RotoZoom(SDL_Surface *src, bool smooth, double angle, double zoom,
                          const SDL_Rect *srcrect = nullptr, SDL_Surface *dst = nullptr,
                          const SDL_Rect *dstrect = nullptr);
    // RotoZoom with zoom 1.
    SDL_Surface *Rotate(SDL_Surface *src, bool smooth, double angle,
                        const SDL_Rect *srcrect = nullptr, SDL_Surface *dst = nullptr,
                        const SDL_Rect *dstrect = nullptr);

private:
    bool ownsPrimitives_ = false;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QScreenFX *IScreenFX;

#endif
