// The resources' blit (lost-surface check and cursor protection) against a
// plain SDL_BlitSurface of the same 64 x 64 tile onto a 640 x 480 surface.
#include "paired.h"

#include <quenlar/core/engine.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/gfx/cursor.h>

#include <benchmark/benchmark.h>

namespace {
struct Surfaces {
    SDL_Surface *tile = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Surface *screen =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    Surfaces() { SDL_FillRect(tile, nullptr, 0x336699); }
    ~Surfaces() {
        SDL_FreeSurface(tile);
        SDL_FreeSurface(screen);
    }
};

// One blit per run, at a new place each time.
void BlitWithRestoreAndCursor(benchmark::State &state) {
    Surfaces s;
    QCursor cursor;
    ICursor = &cursor;
    Quenlar.lostsurfaces = 1;
    qnl::PixelBackup backup;
    backup.Take(s.tile);
    int i = 0, j = 0;
    bench::Paired(
        state, "SDL_BlitSurface",
        [&] {
            SDL_Rect at = {(Sint16)(i * 37 % 576), (Sint16)(i * 53 % 416), 0, 0};
            qnl::CursorGuard guard(&at);
            benchmark::DoNotOptimize(qnl::BlitWithRestore(s.tile, nullptr, s.screen, &at, &backup));
            ++i;
        },
        [&] {
            SDL_Rect at = {(Sint16)(j * 37 % 576), (Sint16)(j * 53 % 416), 0, 0};
            benchmark::DoNotOptimize(SDL_BlitSurface(s.tile, nullptr, s.screen, &at));
            ++j;
        });
    state.SetItemsProcessed(state.iterations());
    ICursor = nullptr;
    Quenlar.lostsurfaces = 0;
}
} // namespace

BENCHMARK(BlitWithRestoreAndCursor)->UseManualTime();
