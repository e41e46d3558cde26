// IPrimitives->PutPixel and GetPixel on a 256 x 256 surface of each depth.
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

// One full pass over the surface per iteration.
void PutPixel(benchmark::State &state) {
    QPrimitives primitives;
    SDL_Surface *s = Surface((int)state.range(0));
    for (auto _ : state)
        for (Sint16 y = 0; y < 256; ++y)
            for (Sint16 x = 0; x < 256; ++x)
                primitives.PutPixel(s, x, y, (Uint32)(x ^ y), 1);
    benchmark::DoNotOptimize(s->pixels);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    SDL_FreeSurface(s);
}

void GetPixel(benchmark::State &state) {
    QPrimitives primitives;
    SDL_Surface *s = Surface((int)state.range(0));
    Uint32 sum = 0;
    for (auto _ : state)
        for (Sint16 y = 0; y < 256; ++y)
            for (Sint16 x = 0; x < 256; ++x)
                sum += primitives.GetPixel(s, x, y, 1);
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * 256 * 256);
    SDL_FreeSurface(s);
}
} // namespace

BENCHMARK(PutPixel)->Arg(8)->Arg(16)->Arg(24)->Arg(32);
BENCHMARK(GetPixel)->Arg(8)->Arg(16)->Arg(24)->Arg(32);
