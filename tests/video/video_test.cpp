#include "video/engine_fixture.h"

#include <quenlar/core/engine_private.h>
#include <quenlar/platform/text.h>
#include <quenlar/platform/videodriver.h>

#include <SDL_syswm.h>
#include <cstdlib>
#include <map>

using VideoMode = EngineTest;

namespace {
const char kDepthWarning[] = "running on window mode using different color depth";
}

TEST(RendererTable, CodesAndDrivers) {
    using namespace qnl::platform;
    EXPECT_EQ(2, RendererForDriver("windib"));
    EXPECT_EQ(4, RendererForDriver("directx"));
    EXPECT_EQ(64, RendererForDriver("glSDL"));
    EXPECT_EQ(8, RendererForDriver("x11"));
    EXPECT_EQ(16, RendererForDriver("fbcon"));
    EXPECT_EQ(128, RendererForDriver("quartz"));
    EXPECT_EQ(1, RendererForDriver("dummy"));
    EXPECT_EQ(1, RendererForDriver("X11")); // exact comparison
}

namespace {
// Environment variables set or removed for a test, put back afterwards.
class Environment {
public:
    ~Environment() {
        for (const auto &[name, value] : saved_)
            Put(name.c_str(), value.first ? value.second.c_str() : nullptr);
    }
    // `value` null removes the variable.
    void Set(const char *name, const char *value) {
        Save(name);
        Put(name, value);
    }

private:
    static void Put(const char *name, const char *value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    void Save(const char *name) {
        if (saved_.count(name)) return;
        const char *value = getenv(name);
        saved_[name] = {value != nullptr, value ? value : ""};
    }
    std::map<std::string, std::pair<bool, std::string>> saved_;
};
} // namespace

TEST(RendererTable, WindowedDriverOfTheDisplayUnlessTheUserChoseOne) {
    using namespace qnl::platform;
    Environment env;
    VideoDriverChoice choice = ChooseVideoDriver(2);
    EXPECT_STREQ("dummy", choice.driver); // the user's, as the tests run
    EXPECT_TRUE(choice.user);

    // Every code gets the display's own driver, never one SDL falls back to.
    env.Set("SDL_VIDEODRIVER", nullptr);
    env.Set("DISPLAY", ":5");
    for (int code : {1, 2, 4, 8, 16, 64, 128}) {
        choice = ChooseVideoDriver(code);
        EXPECT_STREQ("x11", choice.driver) << code;
        EXPECT_STREQ("x11", getenv("SDL_VIDEODRIVER")) << code;
        EXPECT_FALSE(choice.user);
        EXPECT_STREQ("Linux", choice.system);
        EXPECT_EQ(code == 2 || code == 4 || code == 64, choice.named) << code;
    }
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_STREQ("wayland", ChooseVideoDriver(1).driver);
    env.Set("WAYLAND_DISPLAY", nullptr);
    EXPECT_EQ(nullptr, ChooseVideoDriver(1).driver);
    EXPECT_EQ(nullptr, getenv("SDL_VIDEODRIVER")); // its own earlier choice is withdrawn
}

TEST_F(VideoMode, RefusesWithoutVideoSubsystem) {
    Start(SDL_INIT_TIMER);
    EXPECT_EQ(0, Quenlar.SetVideoMode());
    EXPECT_TRUE(Logged(" . [Quenlar.SetVideoMode()] Error: SDL_INIT_VIDEO was not initialized.\n"));
    EXPECT_EQ(nullptr, Quenlar.screen);
}

TEST_F(VideoMode, DefaultRendererKeepsUnknownDriverAndOpensWindow) {
    Start();
    Quenlar.resolutionx = 430;
    Quenlar.resolutiony = 400;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(1, Quenlar.renderer); // "dummy" stands for no code
    ASSERT_NE(nullptr, Quenlar.screen);
    EXPECT_EQ(430, Quenlar.screen->w);
    EXPECT_EQ(400, Quenlar.screen->h);
    EXPECT_EQ(0, Quenlar.colordepth); // a window keeps the desktop's depth
    EXPECT_FALSE(Logged(kDepthWarning));
    EXPECT_FALSE(Logged("Warning"));
    EXPECT_EQ(0, Quenlar.IsOpenGL());
    EXPECT_EQ(0, Quenlar.lostsurfaces);
}

TEST_F(VideoMode, UserDriverIsHonouredForForcedRenderers) {
    Start();
    Quenlar.renderer = 2;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_STREQ("dummy", getenv("SDL_VIDEODRIVER"));
    EXPECT_TRUE(Logged(" . [Quenlar.SetVideoMode()] Info: setting 'dummy' backend for Linux\n"));
    EXPECT_EQ(2, Quenlar.renderer);
}

TEST_F(VideoMode, WithoutADisplayTheModeFailsNamingIt) {
    Environment env;
    env.Set("SDL_VIDEODRIVER", nullptr);
    env.Set("DISPLAY", nullptr);
    env.Set("WAYLAND_DISPLAY", nullptr);
    Start();
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_VIDEO)); // no driver of SDL's own choosing
    for (int renderer : {1, 4}) {
        log.Mark();
        Quenlar.renderer = (Uint8)renderer;
        EXPECT_EQ(0, Quenlar.SetVideoMode());
        EXPECT_EQ(" . [Quenlar.SetVideoMode()] Error: could not initialize SDL video system (" +
                      std::to_string(renderer) +
                      ") (there is no display to open a window on (DISPLAY is not set)).\n",
                  log.Body());
        EXPECT_EQ(nullptr, Quenlar.screen);
    }

    // A display that cannot be opened is named too.
    env.Set("DISPLAY", ":9999");
    log.Mark();
    Quenlar.renderer = 2;
    EXPECT_EQ(0, Quenlar.SetVideoMode());
    EXPECT_TRUE(Logged(" . [Quenlar.SetVideoMode()] Info: setting 'x11' backend for Linux\n"));
    EXPECT_TRUE(Logged(" . [Quenlar.SetVideoMode()] Error: could not initialize SDL video system "
                       "(2) (cannot open the X display ':9999' named by DISPLAY ("));
}

TEST_F(VideoMode, RenderersThatSetNothingLeaveTheEnvironment) {
    Start();
    Quenlar.renderer = 16;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_STREQ("dummy", getenv("SDL_VIDEODRIVER"));
    EXPECT_FALSE(Logged("Info: setting"));
}

TEST_F(VideoMode, OpenGLDropsDepthAndWarnsInSoftware) {
    Start();
    Quenlar.renderer = 64;
    Quenlar.colordepth = 16;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_TRUE(Logged(
        " . [Quenlar.SetVideoMode()] Warning: using OpenGL on software mode is quite slow.\n"));
    EXPECT_EQ(0, Quenlar.colordepth);
    EXPECT_EQ(1, Quenlar.IsOpenGL());
    EXPECT_FALSE(Logged(kDepthWarning));

    // Choosing another renderer afterwards leaves the OpenGL paths.
    Quenlar.renderer = 8;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(0, Quenlar.IsOpenGL());
}

TEST_F(VideoMode, DepthRules) {
    Start();
    // The desktop's depth is the driver's own (the dummy driver has 8 bits
    // per pixel on classic SDL 1.2 and 32 on sdl12-compat).
    const int desktop = SDL_GetVideoInfo()->vfmt->BitsPerPixel;
    Quenlar.colordepth = 24;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_TRUE(
        Logged(" . [Quenlar.SetVideoMode()] Warning: failed attempt to set a 24bpp video mode.\n"
               "   It was changed to 32bpp.\n"));
    EXPECT_EQ(32, Quenlar.colordepth);
    EXPECT_EQ(32, Quenlar.screen->format->BitsPerPixel);
    EXPECT_EQ(desktop != 32, Logged(kDepthWarning));
    EXPECT_FALSE(Logged("your desktop is using 24bpp"));

    // A window of the desktop's depth is not warned about, one of another is.
    const int other = desktop == 16 ? 32 : 16;
    for (int depth : {desktop, other}) {
        log.Mark();
        Quenlar.colordepth = (Uint8)depth;
        ASSERT_EQ(1, Quenlar.SetVideoMode());
        EXPECT_EQ(depth, Quenlar.screen->format->BitsPerPixel);
        EXPECT_EQ(depth != desktop, Logged(kDepthWarning)) << depth;
    }

    log.Mark();
    Quenlar.window = 0;
    Quenlar.colordepth = 0;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(32, Quenlar.colordepth); // full screen asks for 32
    EXPECT_EQ(32, Quenlar.screen->format->BitsPerPixel);
    EXPECT_TRUE(Quenlar.screen->flags & SDL_FULLSCREEN);
    EXPECT_FALSE(Logged(kDepthWarning));
}

TEST_F(VideoMode, NewScreenIsBlack) {
    Start();
    for (int depth : {32, 16, 32}) {
        OpenScreen(40, 30, depth);
        int lit = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                lit += IPrimitives->GetPixel(Quenlar.screen, x, y, 1) != 0;
        EXPECT_EQ(0, lit) << depth;
        SDL_FillRect(Quenlar.screen, nullptr, 0xFFFFFFFF); // the next screen may reuse it
    }
}

TEST_F(VideoMode, HardwareRequestsOnASoftwareSystem) {
    Start();
    Quenlar.accel = 2;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    const std::string body = log.Body();
    const size_t software =
        body.find("running on software mode instead of your requested hardware mode");
    const size_t single =
        body.find("using a single-buffer instead of your requested double-buffer");
    ASSERT_NE(std::string::npos, software);
    ASSERT_NE(std::string::npos, single);
    EXPECT_LT(software, single);
    EXPECT_EQ(0, Quenlar.NeedRefresh()); // no double buffer: the request is untouched

    log.Mark();
    Quenlar.accel = 3;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_TRUE(Logged("running on software mode"));
    EXPECT_FALSE(Logged("single-buffer"));
}

TEST_F(VideoMode, LostSurfacesOnlyForAcceleratedDirectX) {
    Start();
    Quenlar.renderer = 4;
    Quenlar.accel = 2;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(1, Quenlar.lostsurfaces);
    Quenlar.accel = 1;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(0, Quenlar.lostsurfaces);
    Quenlar.renderer = 2;
    Quenlar.accel = 3;
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    EXPECT_EQ(0, Quenlar.lostsurfaces);
}

TEST_F(VideoMode, CaptionAndIcon) {
    Start();
    Quenlar.title = "Caption test";
    Quenlar.icon = SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_EQ(1, Quenlar.SetVideoMode());
    char *title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    EXPECT_STREQ("Caption test", title);
    // Quit frees the icon.
}

TEST(SystemText, Windows1252BecomesUtf8) {
    using qnl::platform::Utf8FromWindows1252;
    EXPECT_EQ("Configuraci\xC3\xB3n \xC2\xB7 Setup",
              Utf8FromWindows1252("Configuraci\xF3n \xB7 Setup"));
    EXPECT_EQ("Couldn\xC2\xB4t \xE2\x82\xAC\xE2\x80\x9Cx\xE2\x80\x9D \xC5\xB8\xC3\xBF",
              Utf8FromWindows1252("Couldn\xB4t \x80\x93x\x94 \x9F\xFF"));
    EXPECT_EQ("\xC2\x81", Utf8FromWindows1252("\x81")); // unassigned: the control character
    EXPECT_EQ("", Utf8FromWindows1252(nullptr));
}

// The caption as the window system shows it, read back from a real X window.
TEST(XWindow, CaptionIsShownInUtf8) {
    testing_support::XServer x;
    if (!x.Available()) GTEST_SKIP() << "Xvfb is not installed";
    testing_support::TempDir dir;
    const char *display = getenv("DISPLAY");
    const std::string previous = display ? display : "";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("DISPLAY", x.Display().c_str(), 1);
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_VIDEO));
    Quenlar.title = "Configuraci\xF3n \xB7 Setup";
    const bool opened = Quenlar.SetVideoMode() == 1;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    const bool known = opened && SDL_GetWMInfo(&info) == 1;
    // The window that carries the names (sdl12-compat gives only the one).
    const Window named = info.info.x11.wmwindow ? info.info.x11.wmwindow : info.info.x11.window;
    const std::string window = known ? std::to_string(named) : "";
    Quenlar.title = QuenlarConfig().title;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (display)
        setenv("DISPLAY", previous.c_str(), 1);
    else
        unsetenv("DISPLAY");
    ASSERT_TRUE(known) << SDL_GetError();

    testing_support::RunResult names =
        x.Client({"xprop", "-id", window, "_NET_WM_NAME", "_NET_WM_ICON_NAME"});
    Quenlar.Quit();
    EXPECT_NE(std::string::npos, names.out.find("_NET_WM_NAME(UTF8_STRING) = "
                                                "\"Configuraci\xC3\xB3n \xC2\xB7 Setup\"\n"))
        << names.out << names.err;
    // sdl12-compat has no icon titles; classic SDL sets it.
    if (names.out.find("_NET_WM_ICON_NAME(") != std::string::npos) {
        EXPECT_NE(std::string::npos, names.out.find("_NET_WM_ICON_NAME(UTF8_STRING) = "
                                                    "\"Configuraci\xC3\xB3n \xC2\xB7 Setup\"\n"))
            << names.out;
    }
}

TEST_F(VideoMode, ScreenBlitCopiesToScreenAndElsewhere) {
    Start();
    OpenScreen(32, 32, 32);
    SDL_Surface *src = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Surface *other = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(src, nullptr, 0x123456);
    SDL_Rect at = {10, 12, 0, 0};
    EXPECT_EQ(0, Quenlar.ScreenBlit(src, nullptr, Quenlar.screen, &at));
    EXPECT_EQ(0x123456u, IPrimitives->GetPixel(Quenlar.screen, 13, 15));
    EXPECT_EQ(0u, IPrimitives->GetPixel(Quenlar.screen, 14, 15));
    SDL_Rect origin = {0, 0, 0, 0};
    EXPECT_EQ(0, Quenlar.ScreenBlit(src, nullptr, other, &origin));
    EXPECT_EQ(0x123456u, IPrimitives->GetPixel(other, 0, 0));
    EXPECT_EQ(-1, Quenlar.ScreenBlit(nullptr, nullptr, Quenlar.screen, nullptr));
    SDL_FreeSurface(src);
    SDL_FreeSurface(other);
}
