// IScreenFX on a 640 x 480 32-bit surface beside SDL_gfx, the library games
// use for these effects, and beside memcpy of the result's bytes.
//
// Each case has three rows: IScreenFX, SDL_gfx (zoomSurface with factors
// -1 or 1 for the mirror images, rotozoomSurface for the turns) and memcpy
// into a buffer made once. Both libraries make and free a new surface per
// run. The IScreenFX row also carries two ratios, measured in the same
// process from the fastest of interleaved runs: `gfx/ours` (above 1:
// IScreenFX is faster) and `ours/memcpy`, and `ratio` (IScreenFX over
// SDL_gfx) for the table `make bench` prints.
#include <quenlar/core/engine.h>
#include <quenlar/gfx/screenfx.h>

#include <SDL_rotozoom.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <vector>

namespace {
typedef std::function<SDL_Surface *(SDL_Surface *)> Effect;

// The picture every case transforms: a gradient with alpha, so smooth
// filters have work to do.
SDL_Surface *Picture() {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 32, 0x000000FF, 0x0000FF00,
                                          0x00FF0000, 0xFF000000);
    for (int y = 0; y < s->h; ++y) {
        Uint32 *row = reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x)
            row[x] = (Uint32)(x & 0xFF) | (Uint32)(y & 0xFF) << 8 | (Uint32)((x ^ y) & 0xFF) << 16 |
                     0xFF000000;
    }
    return s;
}

struct Fixture {
    Fixture() {
        Quenlar.GetCPUFeatures(nullptr); // selects the block-copy routine, as Quenlar.Init does
        fx = new QScreenFX;
        src = Picture();
    }
    ~Fixture() {
        SDL_FreeSurface(src);
        delete fx;
    }
    QScreenFX *fx;
    SDL_Surface *src;
};
Fixture &Shared() {
    static Fixture fixture;
    return fixture;
}

struct Case {
    const char *name;
    Effect ours, gfx;
};

// Bytes of the result, for the memcpy reference.
size_t ResultBytes(const Effect &effect) {
    SDL_Surface *r = effect(Shared().src);
    const size_t bytes = (size_t)r->pitch * r->h;
    SDL_FreeSurface(r);
    return bytes;
}

void RunEffect(benchmark::State &state, const Effect &effect) {
    for (auto _ : state) {
        SDL_Surface *r = effect(Shared().src);
        benchmark::DoNotOptimize(r->pixels);
        SDL_FreeSurface(r);
    }
    state.SetItemsProcessed(state.iterations());
}

void RunMemcpy(benchmark::State &state, size_t bytes) {
    std::vector<Uint8> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// The ratios from the fastest of 50 interleaved runs of each: the least
// disturbed by other work on the machine.
void Ratios(benchmark::State &state, const Case &c, size_t bytes) {
    using Clock = std::chrono::steady_clock;
    std::vector<Uint8> from(bytes, 0x5A), to(bytes);
    double ours = 1e9, gfx = 1e9, copy = 1e9;
    auto time = [](double &best, const std::function<void()> &run) {
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    };
    for (int round = 0; round < 50; ++round) {
        time(ours, [&] { SDL_FreeSurface(c.ours(Shared().src)); });
        time(gfx, [&] { SDL_FreeSurface(c.gfx(Shared().src)); });
        time(copy, [&] {
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        });
    }
    state.counters["gfx/ours"] = gfx / ours;
    state.counters["ours/memcpy"] = ours / copy;
    // The closing table of `make bench` reads `ratio`: IScreenFX / SDL_gfx.
    state.counters["ratio"] = ours / gfx;
    state.SetLabel("SDL_gfx");
}

// The effects reach the shared fixture only when they run, after static
// initialisation (the engine and log objects live in the library).
QScreenFX &FX() {
    return *Shared().fx;
}

Case Zoom(const char *name, double z, bool smooth) {
    return {name, [z, smooth](SDL_Surface *s) { return FX().Zoom(s, smooth, z, z); },
            [z, smooth](SDL_Surface *s) { return zoomSurface(s, z, z, smooth); }};
}

Case Turn(const char *name, bool smooth) {
    return {name, [smooth](SDL_Surface *s) { return FX().RotoZoom(s, smooth, 30, 1.3); },
            [smooth](SDL_Surface *s) { return rotozoomSurface(s, 30, 1.3, smooth); }};
}

const Case kCases[] = {
    {"Mirror", [](SDL_Surface *s) { return FX().Mirror(s); },
     [](SDL_Surface *s) { return zoomSurface(s, -1, 1, 0); }},
    {"Flip", [](SDL_Surface *s) { return FX().Flip(s); },
     [](SDL_Surface *s) { return zoomSurface(s, 1, -1, 0); }},
    Zoom("Zoom_x0.5_nearest", 0.5, false),
    Zoom("Zoom_x0.5_smooth", 0.5, true),
    Zoom("Zoom_x2_nearest", 2, false),
    Zoom("Zoom_x2_smooth", 2, true),
    Turn("RotoZoom_30deg_x1.3_nearest", false),
    Turn("RotoZoom_30deg_x1.3_smooth", true),
};

const int kRegistered = [] {
    for (const Case &c : kCases) {
        const std::string name = c.name;
        benchmark::RegisterBenchmark((name + "/IScreenFX").c_str(), [&c](benchmark::State &s) {
            RunEffect(s, c.ours);
            Ratios(s, c, ResultBytes(c.ours));
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/SDL_gfx").c_str(), [&c](benchmark::State &s) {
            RunEffect(s, c.gfx);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((name + "/memcpy").c_str(), [&c](benchmark::State &s) {
            RunMemcpy(s, ResultBytes(c.ours));
        })->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();
} // namespace
