#include <quenlar/gfx/imageconvert.h>

#include <quenlar/gfx/pixel_private.h>
#include <quenlar/platform/fileio_private.h>

#include <SDL_image.h>
#include <cstring>
#include <map>
#include <string>

namespace qnl {

SDL_Surface *LoadImageFile(const char *path) {
    // Pictures are read only from regular files (a FIFO would hang), up to
    // a size no picture of a game comes near.
    constexpr uint64_t kMaxImageFileBytes = 256u << 20;
    std::string bytes;
    if (!path ||
        platform::ReadWholeFile(path, bytes, kMaxImageFileBytes) != platform::WholeFile::kRead)
        return nullptr;
    SDL_RWops *rw = SDL_RWFromConstMem(bytes.data(), (int)bytes.size());
    if (!rw) return nullptr;
    unsigned char magic[8] = {0};
    const int got = SDL_RWread(rw, magic, 1, sizeof magic);
    SDL_RWseek(rw, 0, RW_SEEK_SET);
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    SDL_Surface *surface = nullptr;
    if (got == 8 && std::memcmp(magic, kPng, 8) == 0)
        surface = IMG_LoadPNG_RW(rw);
    else if (got >= 2 && magic[0] == 'B' && magic[1] == 'M')
        surface = SDL_LoadBMP_RW(rw, 0);
    SDL_RWclose(rw);
    return surface;
}

namespace {

struct Masks {
    Uint32 r, g, b, a;
};

Masks MasksFor(int bpp, bool alpha) {
    switch (bpp) {
    case 32:
        return alpha ? Masks{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}
                     : Masks{0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    case 24:
        return {0xFF0000, 0x00FF00, 0x0000FF, 0};
    case 16:
        return alpha ? Masks{0x0F00, 0x00F0, 0x000F, 0xF000} : Masks{0xF800, 0x07E0, 0x001F, 0};
    default:
        return {0, 0, 0, 0};
    }
}

// The picture's own colours when they fit in a palette, else 3-3-2 levels.
void BuildPalette(SDL_Surface *src, SDL_Color colors[256]) {
    std::map<Uint32, int> seen;
    for (int y = 0; y < src->h && seen.size() <= 256; ++y) {
        for (int x = 0; x < src->w && seen.size() <= 256; ++x) {
            Uint8 r, g, b;
            SDL_GetRGB(ReadRawPixel(src, x, y), src->format, &r, &g, &b);
            seen.emplace((Uint32)r << 16 | (Uint32)g << 8 | b, 0);
        }
    }
    std::memset(colors, 0, 256 * sizeof(SDL_Color));
    if (seen.size() <= 256) {
        int i = 0;
        for (const auto &c : seen)
            colors[i++] = {(Uint8)(c.first >> 16), (Uint8)(c.first >> 8), (Uint8)c.first, 0};
        return;
    }
    for (int i = 0; i < 256; ++i)
        colors[i] = {(Uint8)((i >> 5) * 255 / 7), (Uint8)(((i >> 2) & 7) * 255 / 7),
                     (Uint8)((i & 3) * 255 / 3), 0};
}

} // namespace

SDL_Surface *ConvertDepth(SDL_Surface *src, int bpp) {
    if (!src || (bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)) return nullptr;
    const bool alpha = src->format->Amask != 0 && bpp != 8 && bpp != 24;
    const Masks m = MasksFor(bpp, alpha);
    SDL_Surface *dst = SDL_CreateRGBSurface(SDL_SWSURFACE, src->w, src->h, bpp, m.r, m.g, m.b, m.a);
    if (!dst) return nullptr;
    if (SDL_MUSTLOCK(src) && SDL_LockSurface(src) < 0) {
        SDL_FreeSurface(dst);
        return nullptr;
    }
    if (bpp == 8) {
        SDL_Color colors[256];
        BuildPalette(src, colors);
        SDL_SetColors(dst, colors, 0, 256);
    }
    for (int y = 0; y < src->h; ++y) {
        for (int x = 0; x < src->w; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(ReadRawPixel(src, x, y), src->format, &r, &g, &b, &a);
            WriteRawPixel(dst, x, y, SDL_MapRGBA(dst->format, r, g, b, a));
        }
    }
    if (SDL_MUSTLOCK(src)) SDL_UnlockSurface(src);
    return dst;
}

} // namespace qnl
