#include <quenlar/platform/desktop_private.h>

#include <SDL.h>

namespace qnl {
namespace platform {

int DesktopBitsPerPixel() {
    static int desktop = 0; // read while no mode was open
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return 0;
    const SDL_VideoInfo *info = SDL_GetVideoInfo();
    const int reported = info && info->vfmt ? info->vfmt->BitsPerPixel : 0;
    if (!SDL_GetVideoSurface()) desktop = reported;
    return desktop ? desktop : reported;
}

} // namespace platform
} // namespace qnl
