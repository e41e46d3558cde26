// Renderer codes and SDL video drivers. The engine's `renderer` field keeps
// its codes on every platform (1 default, 2 Windib, 4 DirectX, 8 X11,
// 16 FBCon, 64 OpenGL, 128 Quartz); this table says which SDL driver each
// code asks for here, and which code a running driver stands for.
#ifndef QUENLAR_PLATFORM_VIDEODRIVER_H
#define QUENLAR_PLATFORM_VIDEODRIVER_H

namespace qnl {
namespace platform {

// What a renderer code asks of the environment before SDL's video starts.
struct VideoDriverChoice {
    const char *driver; // SDL_VIDEODRIVER value to set; null: set nothing
    const char *system; // the platform's name, for the log line
};

// The driver forced for `renderer`, or {null, ...} for codes that leave
// SDL's choice alone.
VideoDriverChoice DriverForRenderer(int renderer);

// The renderer code of an SDL driver name ("x11" gives 8), or 1 when the
// name stands for no code.
int RendererForDriver(const char *driver);

} // namespace platform
} // namespace qnl

#endif
