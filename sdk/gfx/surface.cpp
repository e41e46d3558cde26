#include <quenlar/gfx/surface.h>

#include <quenlar/core/enginelink_private.h>
#include <quenlar/gfx/gllayer.h>
#include <quenlar/gfx/pixel_private.h>
#include <quenlar/gfx/primitives.h>
#include <quenlar/platform/pixelformat_private.h>

#include <algorithm>
#include <cstring>

namespace qnl {

namespace {
bool g_imageConversion = true;

// Locks through IPrimitives when it exists (it logs a failed lock).
bool LockPixels(SDL_Surface *s) {
    if (IPrimitives)
        IPrimitives->Lock(s);
    else if (SDL_MUSTLOCK(s))
        SDL_LockSurface(s);
    return !SDL_MUSTLOCK(s) || s->locked;
}
void UnlockPixels(SDL_Surface *s) {
    if (IPrimitives)
        IPrimitives->Unlock(s);
    else if (SDL_MUSTLOCK(s))
        SDL_UnlockSurface(s);
}
} // namespace

int NeedsDisplayFormat(const SDL_Surface *surface) {
    const SDL_Surface *screen = qnl::Engine().screen();
    if (!screen || !surface) return 0;
    if ((screen->flags & SDL_HWSURFACE) && !(surface->flags & SDL_HWSURFACE)) return 1;
    const SDL_PixelFormat *a = surface->format, *b = screen->format;
    return a->BytesPerPixel != b->BytesPerPixel || a->Amask != b->Amask || a->Rmask != b->Rmask ||
           a->Gmask != b->Gmask || a->Bmask != b->Bmask;
}

namespace {
// A display-format copy of `surface`, or null. Channels narrower than 8
// bits are widened here first: the SDL 1.2 libraries widen them
// differently.
SDL_Surface *DisplayCopy(SDL_Surface *surface, bool perPixelAlpha) {
    SDL_Surface *wide = platform::WidenedCopy(surface);
    SDL_Surface *from = wide ? wide : surface;
    SDL_Surface *copy = perPixelAlpha ? SDL_DisplayFormatAlpha(from) : SDL_DisplayFormat(from);
    SDL_FreeSurface(wide);
    return copy;
}

// The colour key of `surface` as DisplayCopy converts its pixels: the key
// pixel converted the same way. SDL 1.2 converts a key by rounding of its
// own, which for narrow channels differs from its pixel conversion (5-6-5
// magenta: key ff00ff, pixels f800f8), and a key that misses its pixels
// draws as a colour.
bool ConvertedKey(SDL_Surface *surface, Uint32 &key) {
    const SDL_PixelFormat *f = surface->format;
    SDL_Surface *dot = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, f->BitsPerPixel, f->Rmask,
                                            f->Gmask, f->Bmask, f->Amask);
    if (!dot) return false;
    if (f->palette) SDL_SetColors(dot, f->palette->colors, 0, f->palette->ncolors);
    WriteRawPixel(dot, 0, 0, f->colorkey);
    SDL_Surface *converted = DisplayCopy(dot, false);
    SDL_FreeSurface(dot);
    if (!converted) return false;
    const bool read = LockPixels(converted);
    if (read) {
        key = ReadRawPixel(converted, 0, 0);
        UnlockPixels(converted);
    }
    SDL_FreeSurface(converted);
    return read;
}
} // namespace

SDL_Surface *ConvertToDisplayFormat(SDL_Surface *surface, bool perPixelAlpha) {
    if (!surface || !qnl::Engine().screen()) return surface;
    SDL_Surface *copy = DisplayCopy(surface, perPixelAlpha);
    if (!copy) return surface;
    Uint32 key = 0;
    if (perPixelAlpha)
        SDL_SetAlpha(copy, SDL_SRCALPHA, 255);
    else if ((surface->flags & SDL_SRCCOLORKEY) && ConvertedKey(surface, key))
        SDL_SetColorKey(copy, SDL_SRCCOLORKEY | (copy->flags & SDL_RLEACCELOK ? SDL_RLEACCEL : 0),
                        key);
    SDL_FreeSurface(surface);
    return copy;
}

void SetImageConversion(bool on) {
    g_imageConversion = on;
}

bool ImageConversion() {
    return g_imageConversion;
}

int UploadTexture(SDL_Surface *surface) {
    if (!qnl::Engine().openGL()) return 0;
    return gl::Upload(surface);
}

void PixelBackup::Take(SDL_Surface *surface) {
    bytes_.clear();
    if (!qnl::Engine().surfacesCanBeLost() || !surface || surface->h <= 0) return;
    if (!LockPixels(surface)) return;
    if (surface->pixels) {
        const Uint8 *p = static_cast<const Uint8 *>(surface->pixels);
        bytes_.assign(p, p + (size_t)surface->pitch * (size_t)surface->h);
    }
    UnlockPixels(surface);
}

bool PixelBackup::Restore(SDL_Surface *surface) const {
    if (bytes_.empty() || !surface) return false;
    if (!LockPixels(surface)) return false;
    const bool ok = surface->pixels != nullptr;
    if (ok) {
        const size_t size = std::min(bytes_.size(), (size_t)surface->pitch * (size_t)surface->h);
        std::memcpy(surface->pixels, bytes_.data(), size);
    }
    UnlockPixels(surface);
    return ok;
}

} // namespace qnl
