// The desktop's colour depth, the same whichever SDL 1.2 library runs.
#ifndef QUENLAR_PLATFORM_DESKTOP_PRIVATE_H
#define QUENLAR_PLATFORM_DESKTOP_PRIVATE_H

namespace qnl {
namespace platform {

// Bits per pixel of the desktop SDL's video driver draws on; 0 when SDL's
// video is not running. Call it before each video mode is requested: SDL's
// video information describes the desktop only until a mode is set (classic
// SDL 1.2 then reports the mode itself on drivers that draw it directly,
// the dummy one among them; sdl12-compat keeps reporting the desktop), so
// the value read while no mode is open is kept for the calls that follow.
// Main thread only, like the rest of SDL's video.
int DesktopBitsPerPixel();

} // namespace platform
} // namespace qnl

#endif
