// CSprite: an animated picture. One sheet holds a row of equally sized
// frames per animation; each animation has per-frame durations and a play
// mode, and the sprite a position. Drawing advances the current animation
// by the engine's millisecond clock and blits the current frame; on a
// single-buffered screen the sprite also puts back the background under its
// previous image, so that moving it leaves no trace.
//
//   CSprite logo;
//   if (logo.Load("setup.dpf", "logo", "SPR2") > 0) logo.SetPosition(10, 20);
//   logo.Draw(); // every frame, onto the screen
//
// Sprites live in "SPR2" blocks; a version 1.0 "SPR" block is converted in
// place on its first load (`dpftool add-sprite` makes blocks from a sheet
// picture and an XML description). The engine counts live sprites and
// reports those never deleted at Quenlar.Quit.
#ifndef QUENLAR_GFX_SPRITE_H
#define QUENLAR_GFX_SPRITE_H

#include <SDL.h>
#include <memory>

class CSprite {
public:
    CSprite();
    ~CSprite();
    CSprite(const CSprite &) = delete;
    CSprite &operator=(const CSprite &) = delete;

    // Loads sprite `name` from the package at `path` (opened and closed
    // again) or from one open as `handle`. `type` is shown in messages only:
    // the block is looked for as "SPR2", then as "SPR". The number of
    // animations (> 0), or 0.
    int Load(const char *path, const char *name, const char *type);
    int Load(int handle, const char *name, const char *type);

    // Where the next draw puts the sprite; drawing uses the floor.
    void SetPosition(float x, float y);
    // Advances the current animation and draws its frame on `target` (null:
    // the screen). 1 when the frame changed, 2 when it did not, 0 on error.
    int Draw(SDL_Surface *target = nullptr);
    // Makes animation `n` (from 0) current, from its first frame. 1, or 0
    // when there is no such animation.
    int SetAnimation(int n);

    // The sheet, or null when not loaded.
    SDL_Surface *GetSurface();
    // A colour key in the sheet's pixel format, or -1 for none.
    void SetColorKey(Sint32 key);
    // Per-surface alpha, 0 to 255 (255 opaque); other values are ignored.
    void SetAlpha(int alpha);

    struct State;

private:
    std::unique_ptr<State> s_;
};

#endif
