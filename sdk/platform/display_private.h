// The display surface, the same whichever SDL 1.2 library runs.
#ifndef QUENLAR_PLATFORM_DISPLAY_PRIVATE_H
#define QUENLAR_PLATFORM_DISPLAY_PRIVATE_H

#include <SDL.h>

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

// SDL_SetVideoMode, and the new display surface black: classic SDL 1.2
// clears it, sdl12-compat leaves in it whatever its memory held.
SDL_Surface *SetVideoMode(int width, int height, int bitsPerPixel, Uint32 flags);

// SDL_WM_SetCaption of Windows-1252 texts (either may be null): SDL 1.2
// hands captions to the window system as UTF-8.
void SetCaption(const char *title, const char *iconTitle);

} // namespace platform
} // namespace qnl

#endif
