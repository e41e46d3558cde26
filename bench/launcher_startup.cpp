// The launcher's start with the demo skin, from the exec of the program to
// its first presented frame, beside a minimal SDL 1.2 program that opens
// the same 430x400 window and presents one frame: both started afresh on a
// virtual X server (Xvfb), alternately, in the same run.
//
// The first frame is seen the way a player sees it: this process watches
// the X server for the program's top-level window (by its name) and reads
// one pixel of it until the pixel shows what the first frame puts there.
// Until the first SDL_Flip the window holds no picture of the program, so
// the moment the pixel turns is the moment the frame reached the screen;
// the launcher is not told it is being measured. The pixel is one of the
// general tab's panel, which the reference program fills its window with.
//
// The row's time is the launcher's; `ratio` is launcher / reference, the
// median of the pairs. Needs Xvfb (scripts/install-deps.sh).
#include "launcher_demo.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The reference program is this benchmark program started again with this
// variable set.
const char kReferenceRole[] = "QUENLAR_BENCH_PLAIN_WINDOW";
const char kLauncherTitle[] = "Quenlar Demo - Setup"; // demo/layout.xml's appname + " - Setup"
const char kReferenceTitle[] = "plain SDL window";
const int kWidth = 430, kHeight = 400;
// A pixel of the general tab's panel, clear of every widget, and its colour
// in demo/make-art.sh ("PANEL").
const int kProbeX = 215, kProbeY = 335;
const Uint8 kPanel[3] = {0x1f, 0x28, 0x39};

// ---- The reference: open the window, present one frame, wait to be ended
int PlainWindow() {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
    SDL_WM_SetCaption(kReferenceTitle, nullptr);
    SDL_Surface *screen = SDL_SetVideoMode(kWidth, kHeight, 0, SDL_SWSURFACE);
    if (!screen) return 1;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, kPanel[0], kPanel[1], kPanel[2]));
    SDL_Flip(screen);
    SDL_Event event;
    while (SDL_WaitEvent(&event) && event.type != SDL_QUIT) {
    }
    SDL_Quit();
    return 0;
}

// X errors (a window gone between finding and reading it) are expected
// while windows come and go; the calls that meet one simply fail.
int IgnoreXError(Display *, XErrorEvent *) {
    return 0;
}

// The demo skin, a virtual X server and a connection to it.
struct Fixture {
    bench::TempDir dir;
    bench::Xvfb server;
    Display *x = nullptr;
    std::string error;

    Fixture() {
        if (!bench::PackDemo(dir.path)) {
            error = "demo/pack.sh failed";
        } else if (server.display.empty()) {
            error = "Xvfb did not start";
        } else {
            XSetErrorHandler(IgnoreXError);
            x = XOpenDisplay(server.display.c_str());
            if (!x) error = "cannot connect to Xvfb";
        }
    }
    ~Fixture() {
        if (x) XCloseDisplay(x);
    }

    // The top-level window named `title`, or 0.
    Window Find(const char *title) {
        Window root, parent, *children = nullptr, found = 0;
        unsigned count = 0;
        if (!XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char *name = nullptr;
            if (XFetchName(x, children[i], &name) && name) {
                if (strcmp(name, title) == 0) found = children[i];
                XFree(name);
            }
        }
        if (children) XFree(children);
        return found;
    }

    // Whether the probe pixel of `window` shows the panel's colour.
    bool ShowsPanel(Window window) {
        XImage *image = XGetImage(x, window, kProbeX, kProbeY, 1, 1, AllPlanes, ZPixmap);
        if (!image) return false;
        const unsigned long pixel = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        const unsigned long panel =
            (unsigned long)kPanel[0] << 16 | (unsigned long)kPanel[1] << 8 | kPanel[2];
        return (pixel & 0xFFFFFF) == panel; // the 24-bit TrueColor visual of Xvfb
    }

    // Starts a program and returns the seconds until its first frame, or a
    // negative value when it showed none within ten seconds. The program is
    // ended afterwards, untimed, and its window is gone when this returns.
    double FirstFrame(const std::vector<std::string> &args, const std::vector<std::string> &env,
                      const char *title) {
        const Clock::time_point start = Clock::now();
        const pid_t pid = bench::Spawn(args, env, dir.path);
        if (pid < 0) return -1;
        double seconds = -1;
        while (Clock::now() - start < std::chrono::seconds(10)) {
            const Window window = Find(title);
            if (window && ShowsPanel(window)) {
                seconds = std::chrono::duration<double>(Clock::now() - start).count();
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        bench::End(pid);
        while (Find(title))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return seconds;
    }
};

Fixture &Shared() {
    static Fixture fixture;
    return fixture;
}

void LauncherFirstFrame(benchmark::State &state) {
    Fixture &f = Shared();
    if (!f.error.empty()) {
        state.SkipWithError(f.error.c_str());
        return;
    }
    // Both without sound hardware: SDL's dummy audio driver.
    const std::vector<std::string> env = {"DISPLAY=" + f.server.display, "SDL_AUDIODRIVER=dummy",
                                          "HOME=" + f.dir.path};
    const std::string launcher = bench::BinDir() + "setup",
                      self = bench::BinDir() + "bench_launcher_startup";
    std::vector<std::string> referenceEnv = env;
    referenceEnv.push_back(std::string(kReferenceRole) + "=1");

    std::vector<double> ratios;
    bool launcherFirst = true;
    for (auto _ : state) {
        double ours = -1, reference = -1;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == launcherFirst)
                ours = f.FirstFrame({launcher}, env, kLauncherTitle);
            else
                reference = f.FirstFrame({self}, referenceEnv, kReferenceTitle);
        }
        if (ours < 0 || reference < 0) {
            state.SkipWithError(ours < 0 ? "the launcher showed no frame"
                                         : "the plain SDL window showed no frame");
            break;
        }
        ratios.push_back(ours / reference);
        state.SetIterationTime(ours);
        launcherFirst = !launcherFirst;
    }
    if (!ratios.empty()) {
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        state.counters["ratio"] = ratios[ratios.size() / 2];
    }
    state.SetLabel("plain SDL 1.2 window");
}

} // namespace

BENCHMARK(LauncherFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (getenv(kReferenceRole)) return PlainWindow();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
