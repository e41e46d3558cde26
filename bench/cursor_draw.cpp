// ICursor->Draw once per frame on a 640 x 480 32-bit screen, with and
// without the save-under, the pointer moving every frame or still, beside
// the reference: a plain SDL_BlitSurface of the same 32 x 32 keyed image at
// the same places. Every row carries `ratio`, the draw's CPU time over the
// reference's, both measured in the same process from the fastest of
// interleaved rounds (below 1: the cursor costs less than one plain blit).
#include <quenlar/quenlar.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <time.h>

namespace {
constexpr int kSize = 32;

// The n-th place the pointer visits: a few pixels a frame, as a hand
// moves a mouse, along a diagonal across the screen.
SDL_Rect Place(int n) {
    return SDL_Rect{(Sint16)(20 + n * 3 % 560), (Sint16)(20 + n * 2 % 400), 0, 0};
}

// A started engine with a single-buffered screen on the dummy driver and a
// 32 x 32 arrow-like cursor: ink below the diagonal, the key above it.
struct Engine {
    Engine() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        Quenlar.Init(SDL_INIT_VIDEO);
        Quenlar.resolutionx = 640;
        Quenlar.resolutiony = 480;
        Quenlar.colordepth = 32;
        Quenlar.SetVideoMode();
        ICursor->Init();
        SDL_FillRect(Quenlar.screen, nullptr, SDL_MapRGB(Quenlar.screen->format, 30, 60, 90));
        SDL_Surface *arrow =
            SDL_CreateRGBSurface(SDL_SWSURFACE, kSize, kSize, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        SDL_FillRect(arrow, nullptr, 0xFF00FF);
        for (Sint16 y = 0; y < kSize; ++y) {
            SDL_Rect row = {0, y, (Uint16)(y + 1), 1};
            SDL_FillRect(arrow, &row, 0xFFFFFF);
        }
        SDL_SetColorKey(arrow, SDL_SRCCOLORKEY, 0xFF00FF);
        image = SDL_DisplayFormat(arrow); // the reference draws what the cursor draws
        ICursor->Select(ICursor->Create(arrow, 0));
        SDL_FreeSurface(arrow);
    }
    ~Engine() {
        SDL_FreeSurface(image);
        Quenlar.Quit();
    }
    SDL_Surface *image = nullptr;
};
Engine &Shared() {
    static Engine engine;
    return engine;
}

// One frame of the cursor: the pointer at the n-th place (moving) or at the
// first (still), with no interpolation lag.
void CursorFrame(int n, bool moving) {
    const SDL_Rect at = Place(moving ? n : 0);
    Quenlar.mousex = at.x;
    Quenlar.mousey = at.y;
    ICursor->SetPrevPosition(at.x, at.y);
    ICursor->Draw();
}

void PlainFrame(int n, bool moving) {
    SDL_Rect at = Place(moving ? n : 0);
    SDL_BlitSurface(Shared().image, nullptr, Quenlar.screen, &at);
}

// The thread's CPU time in nanoseconds: on a shared machine wall time
// counts the other programs too.
double CpuNanos() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e9 + (double)t.tv_nsec;
}

// CPU nanoseconds per frame of `frame`, the fastest of `rounds` rounds.
double NanosPerFrame(const std::function<void(int)> &frame, int rounds = 5, int frames = 2000) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const double start = CpuNanos();
        for (int n = 0; n < frames; ++n)
            frame(n);
        best = std::min(best, (CpuNanos() - start) / frames);
    }
    return best;
}

void Reference(benchmark::State &state) {
    Shared();
    const bool moving = state.range(0) != 0;
    int n = 0;
    for (auto _ : state)
        PlainFrame(n++, moving);
    state.SetItemsProcessed(state.iterations());
}

// range(0): the pointer moves; range(1): the save-under is on.
void CursorDraw(benchmark::State &state) {
    Shared();
    const bool moving = state.range(0) != 0;
    ICursor->SetBackgroundSave((int)state.range(1));
    CursorFrame(0, true); // settle: drawn once at its first place
    int n = 0;
    for (auto _ : state)
        CursorFrame(n++, moving);
    state.SetItemsProcessed(state.iterations());

    double ours = 0, plain = 0;
    for (int i = 0; i < 3; ++i) { // interleaved, so both see the same machine
        const double o = NanosPerFrame([&](int f) { CursorFrame(f, moving); });
        const double p = NanosPerFrame([&](int f) { PlainFrame(f, moving); });
        ours = i ? std::min(ours, o) : o;
        plain = i ? std::min(plain, p) : p;
    }
    state.counters["ratio"] = ours / plain;
}
} // namespace

BENCHMARK(Reference)->ArgName("moving")->Arg(1)->Arg(0);
BENCHMARK(CursorDraw)
    ->ArgNames({"moving", "saveunder"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0});
