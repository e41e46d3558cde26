#include <quenlar/platform/videodriver.h>

#include <SDL.h>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qnl {
namespace platform {

namespace {
const char kSystem[] = "Linux";

// SDL 1.2 on this platform has no "windib", "directx" or "glSDL" driver: the
// codes that name them get the windowed driver like every other code.
// OpenGL drawing goes through the SDK's own texture layer, so it needs
// nothing else from SDL.
const int kNamed[] = {2, 4, 64};

// Driver names in the order the engine compares them.
struct Known {
    const char *driver;
    int renderer;
};
const Known kKnown[] = {{"windib", 2}, {"directx", 4}, {"glSDL", 64},
                        {"x11", 8},    {"fbcon", 16},  {"quartz", 128}};

// The SDL_VIDEODRIVER value set here, to tell it from the user's own.
std::string g_driverWeSet;

const char *Environment(const char *name) {
    const char *value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// The windowed driver of the session's display: X11, or Wayland (which only
// sdl12-compat has) in a session without X. Null without a display.
const char *WindowedDriver() {
    if (Environment("DISPLAY")) return "x11";
    if (Environment("WAYLAND_DISPLAY")) return "wayland";
    return nullptr;
}

// SDL's error, naming the display the platform's choice could not open.
void ExplainFailure(const VideoDriverChoice &choice) {
    if (!choice.driver) {
        SDL_SetError("there is no display to open a window on (DISPLAY is not set)");
    } else if (std::strcmp(choice.driver, "x11") == 0) {
        const std::string reason = SDL_GetError();
        SDL_SetError("cannot open the X display '%s' named by DISPLAY (%s)", Environment("DISPLAY"),
                     reason.c_str());
    }
}
} // namespace

VideoDriverChoice ChooseVideoDriver(int renderer) {
    VideoDriverChoice choice = {nullptr, kSystem, false, false};
    for (int code : kNamed)
        choice.named = choice.named || code == renderer;
    const char *current = Environment("SDL_VIDEODRIVER");
    if (current && g_driverWeSet != current) {
        choice.driver = current;
        choice.user = true;
        return choice;
    }
    choice.driver = WindowedDriver();
    if (choice.driver) {
        setenv("SDL_VIDEODRIVER", choice.driver, 1);
        g_driverWeSet = choice.driver;
    } else {
        unsetenv("SDL_VIDEODRIVER"); // our own earlier choice, if any
    }
    return choice;
}

bool StartVideo(int renderer, VideoDriverChoice *result) {
    const VideoDriverChoice choice = ChooseVideoDriver(renderer);
    if (result) *result = choice;
    if (choice.driver && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    if (!choice.user) ExplainFailure(choice);
    return false;
}

int RendererForDriver(const char *driver) {
    if (!driver) return 1;
    for (const Known &k : kKnown)
        if (std::strcmp(k.driver, driver) == 0) return k.renderer;
    return 1;
}

} // namespace platform
} // namespace qnl
