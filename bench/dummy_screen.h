// The engine started on SDL's dummy video driver with a 640x480, 32-bit
// screen, as the drawing benchmarks measure it: nothing reaches a display,
// so the figures are the SDK's own work. Aborts when the engine cannot
// start (a benchmark without its screen measures nothing).
#ifndef QUENLAR_BENCH_DUMMY_SCREEN_H
#define QUENLAR_BENCH_DUMMY_SCREEN_H

#include <quenlar/quenlar.h>

#include <cstdlib>

namespace bench {

inline void StartOnDummyScreen() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (Quenlar.Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 1) std::abort();
    Quenlar.resolutionx = 640;
    Quenlar.resolutiony = 480;
    Quenlar.colordepth = 32;
    if (Quenlar.SetVideoMode() != 1) std::abort();
}

} // namespace bench

#endif
