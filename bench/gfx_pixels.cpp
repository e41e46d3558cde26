// IPrimitives->PutPixel and GetPixel (lock flag 1) on a 256 x 256 surface
// of each depth beside the put and get pixel routines of SDL's
// documentation, called out of line with the documentation's lock test
// around each pixel. One run is a full pass over the surface.
#include "paired.h"

#include <quenlar/gfx/primitives.h>

#include <benchmark/benchmark.h>

namespace {
SDL_Surface *Surface(int bpp) {
    switch (bpp) {
    case 8:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 8, 0, 0, 0, 0);
    case 16:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 16, 0xF800, 0x07E0, 0x001F, 0);
    case 24:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    default:
        return SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 32, 0xFF0000, 0xFF00, 0xFF,
                                    0xFF000000);
    }
}

// The routines as SDL's documentation gives them.
__attribute__((noinline)) void DocPutPixel(SDL_Surface *surface, int x, int y, Uint32 pixel) {
    int bpp = surface->format->BytesPerPixel;
    Uint8 *p = (Uint8 *)surface->pixels + y * surface->pitch + x * bpp;
    switch (bpp) {
    case 1:
        *p = (Uint8)pixel;
        break;
    case 2:
        *(Uint16 *)p = (Uint16)pixel;
        break;
    case 3:
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN) {
            p[0] = (pixel >> 16) & 0xff;
            p[1] = (pixel >> 8) & 0xff;
            p[2] = pixel & 0xff;
        } else {
            p[0] = pixel & 0xff;
            p[1] = (pixel >> 8) & 0xff;
            p[2] = (pixel >> 16) & 0xff;
        }
        break;
    case 4:
        *(Uint32 *)p = pixel;
        break;
    }
}

__attribute__((noinline)) Uint32 DocGetPixel(SDL_Surface *surface, int x, int y) {
    int bpp = surface->format->BytesPerPixel;
    Uint8 *p = (Uint8 *)surface->pixels + y * surface->pitch + x * bpp;
    switch (bpp) {
    case 1:
        return *p;
    case 2:
        return *(Uint16 *)p;
    case 3:
        if (SDL_BYTEORDER == SDL_BIG_ENDIAN)
            return p[0] << 16 | p[1] << 8 | p[2];
        else
            return p[0] | p[1] << 8 | p[2] << 16;
    case 4:
        return *(Uint32 *)p;
    default:
        return 0;
    }
}

void PutPixel(benchmark::State &state) {
    QPrimitives primitives;
    SDL_Surface *s = Surface((int)state.range(0));
    bench::Paired(
        state, "SDL documentation's putpixel",
        [&] {
            for (Sint16 y = 0; y < 256; ++y)
                for (Sint16 x = 0; x < 256; ++x)
                    primitives.PutPixel(s, x, y, (Uint32)(x ^ y), 1);
            benchmark::ClobberMemory();
        },
        [&] {
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) continue;
                    DocPutPixel(s, x, y, (Uint32)(x ^ y));
                    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
                }
            benchmark::ClobberMemory();
        });
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    SDL_FreeSurface(s);
}

void GetPixel(benchmark::State &state) {
    QPrimitives primitives;
    SDL_Surface *s = Surface((int)state.range(0));
    Uint32 sum = 0;
    bench::Paired(
        state, "SDL documentation's getpixel",
        [&] {
            for (Sint16 y = 0; y < 256; ++y)
                for (Sint16 x = 0; x < 256; ++x)
                    sum += primitives.GetPixel(s, x, y, 1);
            benchmark::DoNotOptimize(sum);
        },
        [&] {
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) < 0) continue;
                    sum += DocGetPixel(s, x, y);
                    if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
                }
            benchmark::DoNotOptimize(sum);
        });
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    SDL_FreeSurface(s);
}
} // namespace

BENCHMARK(PutPixel)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->UseManualTime()->Unit(
    benchmark::kMicrosecond);
BENCHMARK(GetPixel)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->UseManualTime()->Unit(
    benchmark::kMicrosecond);
