// What an idle pass of the launcher's main loop costs: the real launcher
// (RunLauncher, in this process) with the demo skin, nobody touching it,
// each pass measured in this thread's CPU time; beside the reference, the
// SDL_Flip calls of the same screen that a plain SDL program makes to
// present the frames of one pass. Two rows: on SDL's dummy video driver,
// where a flip shows nothing and costs next to nothing, so the row is the
// launcher's own work; and in a window on Xvfb, where a flip hands the
// whole window to the X server (its CPU time there is the server's, not
// counted).
//
// The launcher runs on the engine's replaceable clock, which advances only
// when the engine sleeps: the passes follow each other without waiting,
// and one pass is exactly one logic step of clock time (50 ms at the
// launcher's 20 steps a second), holding its three presented frames (60 a
// second) and its mtfriendly sleeps of 1 ms. The clock's sleep hook sees
// every pass boundary; there it times the pass just ended, times the
// reference, and drives the benchmark's iterations. After the last one it
// presses Escape, which ends the run as a player's key would.
//
// Nothing changes on the screen but the logo's animation, which the loop
// draws in every pass. The row's time is the pass's; `ratio` is pass /
// reference, the median over the passes.
#include "launcher_demo.h"

#include <quenlar/quenlar.h>
#include "setup/launcher.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <limits.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr Uint32 kStepMs = 50;     // one logic step at 20 a second
constexpr int kFramesPerStep = 3;  // frames presented in it at 60 a second
constexpr Uint32 kWarmUpMs = 1000; // the first second: start-up's frames settle
constexpr Uint32 kStartMs = 1000;  // the clock's value at the start
constexpr int kPasses = 5000;      // timed passes a run: 250 s of clock time
// Clock time after which a run that never ends is stopped, well below
// where the engine's signed millisecond times turn negative.
constexpr Uint32 kMostMs = 1u << 30;
constexpr int kEscape = SDLK_ESCAPE; // the key that ends the launcher

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// The measurement in progress, reached from the clock's hooks.
struct Run {
    benchmark::State *state = nullptr;
    Uint32 now = kStartMs;
    Uint32 nextBoundary = kStartMs + kWarmUpMs;
    bool timing = false; // an iteration is open
    bool done = false;
    double passStart = 0;
    std::vector<double> ratios;
};
Run g_run;

// The flips a plain program makes for the frames of one pass. They cost
// less than reading the thread's clock (a system call): the mean of many.
double ReferenceSeconds() {
    const int repeats = 100;
    const double start = CpuSeconds();
    for (int i = 0; i < repeats * kFramesPerStep; ++i)
        SDL_Flip(Quenlar.screen);
    return (CpuSeconds() - start) / repeats;
}

// A pass boundary: closes the open iteration with the pass's time, and
// opens the next, or ends the run.
void Boundary() {
    Run &r = g_run;
    if (r.timing) {
        const double pass = CpuSeconds() - r.passStart;
        const double reference = ReferenceSeconds();
        if (reference > 0) r.ratios.push_back(pass / reference);
        r.state->SetIterationTime(pass);
    }
    r.timing = r.state->KeepRunning();
    if (!r.timing) {
        r.done = true;
        SDL_GetKeyState(nullptr)[kEscape] = 1; // read by the pass that follows
    }
    r.passStart = CpuSeconds();
}

Uint32 Ticks() {
    return g_run.now;
}

void Sleep(Uint32 ms) {
    Run &r = g_run;
    r.now += ms;
    if (r.now - kStartMs > kMostMs) {
        SDL_GetKeyState(nullptr)[kEscape] = 1;
        return;
    }
    if (!r.done && r.now >= r.nextBoundary) {
        r.nextBoundary += kStepMs;
        Boundary();
    }
}

// The packed demo skin, the working directory of every run, and the X
// server of the rows on a real window.
struct Fixture {
    bench::TempDir dir;
    bench::Xvfb server;
    bool packed = false;
    Fixture() { packed = bench::PackDemo(dir.path) && chdir(dir.path.c_str()) == 0; }
};

enum class Driver { Dummy, X11 };

void LauncherIdlePass(benchmark::State &state, Driver driver) {
    static Fixture fixture;
    if (!fixture.packed || (driver == Driver::X11 && fixture.server.display.empty())) {
        state.SkipWithError(fixture.packed ? "Xvfb did not start" : "demo/pack.sh failed");
        return;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (driver == Driver::Dummy) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        // A 32-bit screen, as on a desktop (the dummy driver's own is
        // 8-bit); the launcher leaves the depth as it finds it.
        Quenlar.colordepth = 32;
    } else {
        unsetenv("SDL_VIDEODRIVER"); // the launcher picks the X11 driver itself
        setenv("DISPLAY", fixture.server.display.c_str(), 1);
        Quenlar.colordepth = 0;
    }
    g_run = Run();
    g_run.state = &state;
    QuenlarSetClock(Ticks, Sleep);
    const int status = RunLauncher();
    QuenlarSetClock(nullptr, nullptr);
    Quenlar.colordepth = 0;

    if (status != 0 || !g_run.done) {
        state.SkipWithError("the launcher did not run its passes (see Setup.log)");
        while (state.KeepRunning()) { // ends at once after an error
        }
        return;
    }
    if (!g_run.ratios.empty()) {
        std::vector<double> &ratios = g_run.ratios;
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        state.counters["ratio"] = ratios[ratios.size() / 2];
    }
    state.SetLabel(driver == Driver::Dummy ? "3 SDL_Flip (dummy driver)"
                                           : "3 SDL_Flip (X11, Xvfb)");
}

} // namespace

// A fixed count: every iteration is a pass of one run, and a run's passes
// cost clock time that grows with the count, not wall time.
BENCHMARK_CAPTURE(LauncherIdlePass, dummy, Driver::Dummy)
    ->UseManualTime()
    ->Iterations(kPasses)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(LauncherIdlePass, x11, Driver::X11)
    ->UseManualTime()
    ->Iterations(kPasses)
    ->Unit(benchmark::kMicrosecond);
