// Renderer codes and SDL video drivers. The engine's `renderer` field keeps
// its codes on every platform (1 default, 2 Windib, 4 DirectX, 8 X11,
// 16 FBCon, 64 OpenGL, 128 Quartz); this module chooses the SDL driver that
// each start of SDL's video runs on here, and says which code a running
// driver stands for.
#ifndef QUENLAR_PLATFORM_VIDEODRIVER_H
#define QUENLAR_PLATFORM_VIDEODRIVER_H

namespace qnl {
namespace platform {

// What a start of SDL's video runs on.
struct VideoDriverChoice {
    const char *driver; // SDL_VIDEODRIVER as set for the start; null: no display
    const char *system; // the platform's name, for the log line
    bool user;          // `driver` is the user's own SDL_VIDEODRIVER
    bool named;         // the renderer code names a driver (2, 4, 64): worth a log line
};

// Sets SDL_VIDEODRIVER for starting SDL's video with `renderer`. The user's
// own SDL_VIDEODRIVER is honoured (tests run on "dummy"). Otherwise, for
// every code, the windowed driver of the session's display: left to itself
// SDL 1.2 falls back to its terminal drivers (caca, aalib), which take the
// user's terminal over. Without a display nothing is set.
VideoDriverChoice ChooseVideoDriver(int renderer);

// SDL_InitSubSystem(SDL_INIT_VIDEO) on ChooseVideoDriver(renderer), which
// it stores in `choice` when given. false when video cannot start; SDL's
// error then says why, naming the display when the platform's own choice
// found none.
bool StartVideo(int renderer, VideoDriverChoice *choice = nullptr);

// The renderer code of an SDL driver name ("x11" gives 8), or 1 when the
// name stands for no code.
int RendererForDriver(const char *driver);

} // namespace platform
} // namespace qnl

#endif
