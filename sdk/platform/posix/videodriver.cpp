#include <quenlar/platform/videodriver.h>

#include <cstring>

namespace qnl {
namespace platform {

namespace {
const char kSystem[] = "Linux";

// SDL 1.2 on this platform has no "windib", "directx" or "glSDL" driver: the
// codes that name them get the native windowed driver. OpenGL drawing goes
// through the SDK's own texture layer, so it needs nothing else from SDL.
struct Forced {
    int renderer;
    const char *driver;
};
const Forced kForced[] = {{2, "x11"}, {4, "x11"}, {64, "x11"}};

// Driver names in the order the engine compares them.
struct Known {
    const char *driver;
    int renderer;
};
const Known kKnown[] = {{"windib", 2}, {"directx", 4}, {"glSDL", 64},
                        {"x11", 8},    {"fbcon", 16},  {"quartz", 128}};
} // namespace

VideoDriverChoice DriverForRenderer(int renderer) {
    for (const Forced &f : kForced)
        if (f.renderer == renderer) return {f.driver, kSystem};
    return {nullptr, kSystem};
}

int RendererForDriver(const char *driver) {
    if (!driver) return 1;
    for (const Known &k : kKnown)
        if (std::strcmp(k.driver, driver) == 0) return k.renderer;
    return 1;
}

} // namespace platform
} // namespace qnl
