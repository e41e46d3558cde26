#include <quenlar/platform/display_private.h>

#include <quenlar/platform/text.h>

#include <string>

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

SDL_Surface *SetVideoMode(int width, int height, int bitsPerPixel, Uint32 flags) {
    SDL_Surface *screen = SDL_SetVideoMode(width, height, bitsPerPixel, flags);
    if (screen && !(screen->flags & SDL_OPENGL)) SDL_FillRect(screen, nullptr, 0);
    return screen;
}

void SetCaption(const char *title, const char *iconTitle) {
    const std::string utf8Title = Utf8FromWindows1252(title);
    const std::string utf8Icon = Utf8FromWindows1252(iconTitle);
    SDL_WM_SetCaption(title ? utf8Title.c_str() : nullptr, iconTitle ? utf8Icon.c_str() : nullptr);
}

} // namespace platform
} // namespace qnl
