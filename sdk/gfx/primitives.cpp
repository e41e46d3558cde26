#include <quenlar/gfx/primitives.h>

#include <quenlar/core/log.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/pixel_private.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

QPrimitives *IPrimitives = nullptr;

QPrimitives::QPrimitives() {
    ILogSystem.Msg(5, " . [IPrimitives] Interfaz created.\n");
}

QPrimitives::~QPrimitives() {
    ILogSystem.Msg(5, " . [IPrimitives] Interfaz deleted.\n");
}

// ---------------------------------------------------------------------------
// Lines and rectangles
// ---------------------------------------------------------------------------
// Ends given in reverse order draw the same line: an SDL_Rect size is
// unsigned, so a negative length would become a fill to the surface's edge.
namespace {
SDL_Rect HLineArea(Sint16 x1, Sint16 x2, Sint16 y) {
    if (x2 < x1) std::swap(x1, x2);
    return SDL_Rect{x1, y, (Uint16)(x2 - x1 + 1), 1};
}
SDL_Rect VLineArea(Sint16 x, Sint16 y1, Sint16 y2) {
    if (y2 < y1) std::swap(y1, y2);
    return SDL_Rect{x, y1, 1, (Uint16)(y2 - y1 + 1)};
}
// SDL_FillRect clips the rectangle it is given in place.
int Fill(SDL_Surface *surface, SDL_Rect area, Uint32 color) {
    return SDL_FillRect(surface, &area, color);
}
} // namespace

// Lines on the screen keep the software cursor intact like every other
// drawing there.
int QPrimitives::HLine(SDL_Surface *surface, Sint16 x1, Sint16 x2, Sint16 y, Uint32 color) {
    SDL_Rect area = HLineArea(x1, x2, y);
    qnl::CursorGuard guard(surface, &area);
    return Fill(surface, area, color);
}

int QPrimitives::VLine(SDL_Surface *surface, Sint16 x, Sint16 y1, Sint16 y2, Uint32 color) {
    SDL_Rect area = VLineArea(x, y1, y2);
    qnl::CursorGuard guard(surface, &area);
    return Fill(surface, area, color);
}

// One protection for the four lines.
void QPrimitives::Rect(SDL_Surface *surface, Sint16 x1, Sint16 y1, Sint16 x2, Sint16 y2,
                       Uint32 color) {
    SDL_Rect area = {std::min(x1, x2), std::min(y1, y2), (Uint16)std::abs(x2 - x1),
                     (Uint16)std::abs(y2 - y1)};
    qnl::CursorGuard guard(surface, &area);
    Fill(surface, HLineArea(x1, x2, y1), color);
    Fill(surface, HLineArea(x1, x2, y2), color);
    Fill(surface, VLineArea(x1, y1, y2), color);
    Fill(surface, VLineArea(x2, y1, y2), color);
}

// ---------------------------------------------------------------------------
// Locking
// ---------------------------------------------------------------------------
void QPrimitives::Lock(SDL_Surface *surface) {
    if (!surface || !SDL_MUSTLOCK(surface)) return;
    if (SDL_LockSurface(surface) < 0)
        ILogSystem.Msg(0, " . [IPrimitives->Lock()] Error: %s\n", SDL_GetError());
}

void QPrimitives::Unlock(SDL_Surface *surface) {
    if (surface && SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

// ---------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------
namespace {
// 0 <= x < w as one unsigned comparison, and so on.
bool OnSurface(const SDL_Surface *s, int x, int y) {
    return (unsigned)x < (unsigned)s->w && (unsigned)y < (unsigned)s->h;
}
bool InClip(const SDL_Surface *s, int x, int y) {
    const SDL_Rect &c = s->clip_rect;
    return (unsigned)(x - c.x) < c.w && (unsigned)(y - c.y) < c.h;
}
// Whether a pixel of `s` can be reached at once: no texture, no lock to
// take, pixels in memory. What else a pixel may need is in the functions
// below, out of the way of the common case, which then keeps no registers
// and asks nothing out of line.
bool Direct(const SDL_Surface *s, Uint8 lock) {
    return !qnl::gl::IsTexture(s) && !(lock == 1 && SDL_MUSTLOCK(s)) && s->pixels;
}

// With the OpenGL renderer, of the surfaces held as textures only the
// screen takes pixels; any other surface is written in place, locked first
// when `lock` is 1 and SDL requires it.
__attribute__((noinline)) void PutPixelSlowly(QPrimitives &primitives, SDL_Surface *surface, int x,
                                              int y, Uint32 pixel, Uint8 lock) {
    if (qnl::gl::IsTexture(surface) && qnl::Engine().openGL()) {
        if (surface == qnl::Engine().screen()) qnl::gl::PutPixel(surface, x, y, pixel);
        return;
    }
    if (lock == 1) primitives.Lock(surface);
    if (surface->pixels) qnl::WriteRawPixel(surface, x, y, pixel);
    if (lock == 1) primitives.Unlock(surface);
}

__attribute__((noinline)) Uint32 GetPixelSlowly(QPrimitives &primitives, SDL_Surface *surface,
                                                int x, int y, Uint8 lock) {
    if (qnl::gl::IsTexture(surface) && qnl::Engine().openGL())
        return qnl::gl::GetPixel(surface, x, y);
    if (lock == 1) primitives.Lock(surface);
    const Uint32 pixel = surface->pixels ? qnl::ReadRawPixel(surface, x, y) : 0;
    if (lock == 1) primitives.Unlock(surface);
    return pixel;
}
} // namespace

void QPrimitives::PutPixel(SDL_Surface *surface, Sint16 x, Sint16 y, Uint32 pixel, Uint8 lock) {
    if (!surface || !OnSurface(surface, x, y) || !InClip(surface, x, y)) return;
    if (Direct(surface, lock))
        qnl::WriteRawPixel(surface, x, y, pixel);
    else
        PutPixelSlowly(*this, surface, x, y, pixel, lock);
}

// The caller is meant to keep the point on the surface; one that does not
// reads 0 instead of memory outside the pixels.
Uint32 QPrimitives::GetPixel(SDL_Surface *surface, Sint16 x, Sint16 y, Uint8 lock) {
    if (!surface || !OnSurface(surface, x, y)) return 0;
    if (Direct(surface, lock)) return qnl::ReadRawPixel(surface, x, y);
    return GetPixelSlowly(*this, surface, x, y, lock);
}
