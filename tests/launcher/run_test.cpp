// The whole launcher, headless (dummy drivers) and in a real X window.
#include <quenlar/core/engine_private.h>
#include <quenlar/quenlar.h>
#include "setup/launcher.h"
#include "support.h"
#include "test_package.h"

#include <gtest/gtest.h>
#include <regex>

using namespace testing_support;

// ---------------------------------------------------------------------------
// Headless, in this process: the real launcher with a fake clock whose sleeps
// (the launcher sleeps 1 ms per update) let the test act between passes.
// ---------------------------------------------------------------------------
namespace {

Uint32 g_now = 0;
Uint32 g_escapeAt = 0;  // press Escape once the clock reaches this
Uint32 g_closeAt = 0;   // ask to close the window once the clock reaches this
Uint32 g_seenPixel = 0; // the screen's top-left pixel when Escape was pressed

// Each run's own deadline: a launcher that has not ended after a minute of
// its time (or after far more clock reads than a run makes, should its
// time stand still) is stopped, so that a fault fails the test at once.
constexpr Uint32 kDeadlineMs = 60000;
constexpr Uint32 kMostClockReads = 5000000;
Uint32 g_deadline = 0;
Uint32 g_clockReads = 0;
struct Overrun {};

Uint32 Ticks() {
    if (g_now > g_deadline || ++g_clockReads > kMostClockReads) throw Overrun();
    return g_now;
}

void Sleep(Uint32 ms) {
    g_now += ms;
    if (g_escapeAt && g_now >= g_escapeAt) {
        g_escapeAt = 0;
        SDL_Surface *screen = Quenlar.screen;
        Uint8 r, g, b;
        SDL_GetRGB(IPrimitives->GetPixel(screen, 0, 0, 1), screen->format, &r, &g, &b);
        g_seenPixel = (Uint32)r << 16 | g << 8 | b;
        // SDL's own key-state array, as a key press on a real window sets it.
        SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
    }
    if (g_closeAt && g_now >= g_closeAt) {
        g_closeAt = 0;
        SDL_Event quit;
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

class HeadlessLauncher : public testing::Test {
protected:
    void SetUp() override {
        g_now = 1000;
        g_deadline = g_now + kDeadlineMs;
        g_clockReads = 0;
        g_seenPixel = 0;
        g_escapeAt = g_closeAt = 0;
        QuenlarSetClock(Ticks, Sleep);
    }
    void TearDown() override { QuenlarSetClock(nullptr, nullptr); }

    // RunLauncher within the deadline: its exit status, or -1 after an overrun.
    static int RunLauncher() {
        try {
            return ::RunLauncher();
        } catch (const Overrun &) {
            QuenlarSetClock(nullptr, nullptr);
            Quenlar.Quit();
            ADD_FAILURE() << "the launcher was still running after its deadline";
            return -1;
        }
    }
    TempDir dir;
};

} // namespace

TEST_F(HeadlessLauncher, ShowsTheGeneralTabAndEndsOnEscape) {
    QuenlarConfig settings;
    LauncherPackage package;
    package.config = &settings;
    WriteLauncherPackage(package);
    g_escapeAt = 3000; // two seconds of running
    // Classic SDL's dummy driver has a desktop of 8 bits per pixel; a 32-bit
    // window keeps the background's colour exact on every SDL 1.2 library
    // (the launcher leaves the depth as set).
    Quenlar.colordepth = 32;
    EXPECT_EQ(0, RunLauncher());
    Quenlar.colordepth = 0;
    EXPECT_EQ(kGeneralColor, g_seenPixel);
    EXPECT_FALSE(Quenlar.IsInitialized());
    EXPECT_EQ(nullptr, IStuffDPF);

    std::string log = ReadFile("Setup.log");
    EXPECT_TRUE(std::regex_search(log, std::regex("\n \\. Quenlar successfully closed\\.\n\n$")))
        << log;
    EXPECT_EQ(std::string::npos, log.find("Error")) << log;
}

TEST_F(HeadlessLauncher, DemoPackageRuns) {
    // The package `make run` starts the launcher with.
    RunResult pack = testing_support::Run(
        {"sh", std::string(QUENLAR_SOURCE_DIR) + "/demo/pack.sh", QUENLAR_BIN_DIR, dir.path()});
    ASSERT_EQ(0, pack.status) << pack.err;
    RunResult layout = testing_support::Run({Program("dpftool"), "layout", "setup.dpf"});
    EXPECT_EQ(0u, layout.out.find("ok\n")) << layout.out;
    g_escapeAt = 2000;
    EXPECT_EQ(0, RunLauncher());
    // No configuration is saved yet: the only error is its reading.
    EXPECT_EQ(std::string::npos, ReadFile("Setup.log").find("[Init")) << ReadFile("Setup.log");
}

TEST_F(HeadlessLauncher, ClosingTheWindowEndsTheRun) {
    WriteLauncherPackage();
    g_closeAt = 2500;
    EXPECT_EQ(0, RunLauncher());
    EXPECT_GE(g_now, 2500u);
    EXPECT_TRUE(std::regex_search(ReadFile("Setup.log"),
                                  std::regex("\n \\. Quenlar successfully closed\\.\n\n$")));
}

TEST_F(HeadlessLauncher, MissingBackgroundEndsWithTheResourceError) {
    WriteLauncherPackage("setup.dpf", "demo_bgvideo");
    EXPECT_EQ(1, RunLauncher());
    std::string log = ReadFile("Setup.log");
    EXPECT_NE(std::string::npos,
              log.find(" \xB7 [Init Error] - Couldn't load graphic resource: 'demo_bgvideo'.\n"))
        << log;
    EXPECT_TRUE(std::regex_search(log, std::regex("\n \\. Quenlar successfully closed\\.\n\n$")))
        << log;
    EXPECT_FALSE(Quenlar.IsInitialized());
}

TEST_F(HeadlessLauncher, WindowFailureShutsTheEngineDownFirst) {
    WriteLauncherPackage();
    // No X display: the platform's windowed driver cannot open a window.
    unsetenv("SDL_VIDEODRIVER");
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(1, RunLauncher());
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string log = ReadFile("Setup.log");
    EXPECT_TRUE(std::regex_search(
        log, std::regex("\n \\. Quenlar successfully closed\\.\n\n"
                        " \xB7 \\[Init Error\\] - Couldn\xB4t set video mode 430x400: [^\n]+\n$")))
        << log;
}

// ---------------------------------------------------------------------------
// In a real window: the launcher program under a virtual X server, driven
// with xdotool; the screenshot is kept in build/test-artifacts.
// ---------------------------------------------------------------------------
TEST(XLauncher, OpensTheWindowAndClosesOnEscape) {
    XServer x;
    if (!x.Available()) GTEST_SKIP() << "Xvfb is not installed; whole-window test skipped";
    TempDir dir;
    WriteLauncherPackage();

    // The launcher chooses the windowed X11 driver itself: no SDL_VIDEODRIVER.
    ChildProcess setup({Program("setup")}, dir.path(),
                       {"SDL_VIDEODRIVER", "DISPLAY=" + x.Display()});
    RunResult search = x.Client({"xdotool", "search", "--sync", "--name", "^Demo Game - Setup$"});
    ASSERT_EQ(0, search.status) << "no launcher window: " << ReadFile("Setup.log");
    std::string window = search.out.substr(0, search.out.find('\n'));

    RunResult geometry = x.Client({"xdotool", "getwindowgeometry", window});
    EXPECT_NE(std::string::npos, geometry.out.find("Geometry: 430x400")) << geometry.out;

    // Give the loop a moment to present the first frames, then keep a picture.
    std::string shot = ArtifactPath("launcher-general.png");
    std::string pixel;
    for (int attempt = 0; attempt < 50 && pixel.find("(32,96,160)") == std::string::npos;
         ++attempt) {
        x.Client({"import", "-window", window, shot});
        pixel = testing_support::Run({"convert", shot, "-format", "%[pixel:p{5,5}]", "info:"}).out;
        if (pixel.find("(32,96,160)") == std::string::npos) usleep(100 * 1000);
    }
    EXPECT_NE(std::string::npos, pixel.find("(32,96,160)"))
        << "general background not shown: " << pixel;

    // A tap of Escape, far shorter than a logic step (50 ms), ends the run.
    EXPECT_EQ(0, x.Client({"xdotool", "windowfocus", "--sync", window}).status);
    EXPECT_EQ(0, x.Client({"xdotool", "key", "Escape"}).status);
    EXPECT_EQ(0, setup.Wait(10));
    std::string log = ReadFile("Setup.log");
    EXPECT_TRUE(std::regex_search(log, std::regex("\n \\. Quenlar successfully closed\\.\n\n$")))
        << log;
}
