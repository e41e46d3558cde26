#include <quenlar/gfx/blit.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/log.h>
#include <quenlar/gfx/cursor.h>
#include <quenlar/core/enginelink_private.h>

namespace qnl {

namespace {
BlitFn g_blit = SDL_UpperBlit;
} // namespace

void SetBlitFunction(BlitFn blit) {
    g_blit = blit ? blit : SDL_UpperBlit;
}

int BlitWithRestore(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect,
                    const PixelBackup *backup, bool *restored) {
    if (restored) *restored = false;
    // SDL clips the destination rectangle in place; the second blit needs
    // the caller's original.
    SDL_Rect original = dstrect ? *dstrect : SDL_Rect{};
    int result = g_blit(src, srcrect, dst, dstrect);
    if (result != -2 || !qnl::Engine().surfacesCanBeLost() || !backup || backup->Empty())
        return result;
    if (!backup->Restore(src)) {
        QuenlarDelay(10); // the next draw tries again
        return result;
    }
    if (dstrect) *dstrect = original;
    if (restored) *restored = true;
    result = g_blit(src, srcrect, dst, dstrect);
    ILogSystem.Msg(5, " . [Quenlar_Blit()] Info: lost surface was restored.\n");
    return result;
}

SDL_Rect BlitArea(const SDL_Surface *src, const SDL_Rect *srcrect, const SDL_Rect *dstrect) {
    SDL_Rect area = {0, 0, 0, 0};
    if (dstrect) area.x = dstrect->x, area.y = dstrect->y;
    if (srcrect)
        area.w = srcrect->w, area.h = srcrect->h;
    else if (src)
        area.w = (Uint16)src->w, area.h = (Uint16)src->h;
    return area;
}

CursorGuard::CursorGuard(SDL_Rect *area)
    : restored_(ICursor ? ICursor->RestoreBackground(area) : 0) {}

CursorGuard::CursorGuard(const SDL_Surface *target, SDL_Rect *area)
    : restored_(target && target == qnl::Engine().screen() && ICursor
                    ? ICursor->RestoreBackground(area)
                    : 0) {}

CursorGuard::~CursorGuard() {
    if (restored_ && ICursor) ICursor->SaveBackground();
}

int ScreenBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst, SDL_Rect *dstrect) {
    SDL_Rect area = BlitArea(src, srcrect, dstrect);
    CursorGuard guard(dst, &area);
    return SDL_UpperBlit(src, srcrect, dst, dstrect);
}

} // namespace qnl
