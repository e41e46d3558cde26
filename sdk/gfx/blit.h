// The blit every resource draws with: it refills a surface whose video
// memory was lost and draws again, and keeps the software cursor intact.
#ifndef QUENLAR_GFX_BLIT_H
#define QUENLAR_GFX_BLIT_H

#include <quenlar/gfx/surface.h>

#include <SDL.h>

namespace qnl {

// The blit underneath (SDL_UpperBlit unless replaced). Returns 0 on
// success, -1 on failure and -2 when video memory was lost.
typedef int (*BlitFn)(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect);
// Replaces the blit underneath, e.g. to simulate lost surfaces; null
// restores SDL_UpperBlit.
void SetBlitFunction(BlitFn blit);

// Blits `src` and, when the blit reports lost video memory (-2) while the
// engine's lost-surface flag is set and `backup` holds the pixels, refills
// `src` from it and blits once more (logged at level 5). A surface that
// cannot be locked waits 10 ms and skips this draw. Returns the last
// blit's result; `restored`, when given, tells whether `src` was refilled.
int BlitWithRestore(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect,
                    const PixelBackup *backup, bool *restored = nullptr);

// The rectangle a blit of `srcrect` of `src` (null: all of it) covers at
// `dstrect`'s corner (null: (0, 0)). SDL ignores a destination rectangle's
// size; the cursor protection needs it.
SDL_Rect BlitArea(const SDL_Surface *src, const SDL_Rect *srcrect, const SDL_Rect *dstrect);

// Cursor protection for the scope of one drawing on the screen: takes a
// drawn software cursor off when `area` (null: anywhere) overlaps it and
// puts it back at the end of the scope. `area` is what the drawing covers,
// with its width and height (BlitArea for a blit).
class CursorGuard {
public:
    explicit CursorGuard(SDL_Rect *area);
    // The same for a drawing on `target`: nothing unless it is the screen.
    CursorGuard(const SDL_Surface *target, SDL_Rect *area);
    ~CursorGuard();
    CursorGuard(const CursorGuard &) = delete;
    CursorGuard &operator=(const CursorGuard &) = delete;

private:
    int restored_;
};

// SDL_UpperBlit that, when `dst` is the display surface, keeps the software
// cursor intact (the engine's Quenlar.ScreenBlit).
int ScreenBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect);

} // namespace qnl

#endif
