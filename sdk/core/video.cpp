// The engine's video mode: renderer selection, surface flags, colour depth,
// and the screen-blit that keeps the software cursor intact.
#include <quenlar/core/engine_private.h>

#include <quenlar/core/log.h>
#include <quenlar/gfx/blit.h>
#include <quenlar/platform/display_private.h>
#include <quenlar/platform/videodriver.h>
#include <quenlar/tools/console.h>
#include <quenlar/tools/debugwin.h>

namespace {

// Renderer codes of the `renderer` field.
enum { kDefault = 1, kDirectX = 4, kOpenGL = 64 };

Uint32 AccelFlags(int accel) {
    switch (accel) {
    case 2:
        return SDL_HWSURFACE | SDL_DOUBLEBUF;
    case 3:
        return SDL_HWSURFACE;
    default:
        return 0; // 1 software, anything else: no acceleration flags
    }
}

Uint32 WindowFlags(int window) {
    switch (window) {
    case 0:
        return SDL_FULLSCREEN;
    case 2:
        return SDL_NOFRAME;
    default:
        return 0;
    }
}

} // namespace

int QuenlarEngine::SetVideoMode() {
    qnl::EngineState &s = *state_;
    // Video asked of Init but not running had no display to start on: it is
    // tried again below, and the failure names the display.
    if (!SDL_WasInit(SDL_INIT_VIDEO) && !s.videoRequested) {
        ILogSystem.Msg(0,
                       " . [Quenlar.SetVideoMode()] Error: SDL_INIT_VIDEO was not initialized.\n");
        return 0;
    }

    // The backend.
    if (renderer != kDefault || !SDL_WasInit(SDL_INIT_VIDEO)) {
        // Restarting video frees the old display surface with it.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        screen = nullptr;
        qnl::platform::VideoDriverChoice driver;
        const bool started = qnl::platform::StartVideo(renderer, &driver);
        if (driver.named && driver.driver)
            ILogSystem.Msg(5, " . [Quenlar.SetVideoMode()] Info: setting '%s' backend for %s\n",
                           driver.driver, driver.system);
        if (!started) {
            ILogSystem.Msg(0,
                           " . [Quenlar.SetVideoMode()] Error: could not initialize SDL video "
                           "system (%d) (%s).\n",
                           renderer, SDL_GetError());
            return 0;
        }
    }
    if (renderer == kDefault) {
        char name[20] = "";
        if (SDL_VideoDriverName(name, sizeof name))
            renderer = (Uint8)qnl::platform::RendererForDriver(name);
    }

    // Surface flags.
    Uint32 flags = AccelFlags(accel);
    if (renderer == kOpenGL) {
        if (accel == 1)
            ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: using OpenGL on software mode "
                              "is quite slow.\n");
        colordepth = 0;
    }
    flags |= WindowFlags(window);

    if (icon) SDL_WM_SetIcon(icon, nullptr);
    // The title names the window and its icon alike.
    if (title) qnl::platform::SetCaption(title, title);

    // Colour depth.
    if (colordepth == 24) {
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: failed attempt to set a 24bpp "
                          "video mode.\n   It was changed to 32bpp.\n");
        colordepth = 32;
    }
    if (window == 0 && colordepth == 0 && renderer != kOpenGL) colordepth = 32;
    const int desktop = qnl::platform::DesktopBitsPerPixel(); // read before the mode is set
    if ((window == 1 || window == 2) && colordepth != 0 && desktop && desktop != colordepth)
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: running on window mode using "
                          "different color depth of your desktop will slow down the "
                          "application.\n");

    // The surface.
    screen = qnl::platform::SetVideoMode(resolutionx, resolutiony, colordepth, flags);
    if (!screen) {
        ILogSystem.Msg(0,
                       " . [Quenlar.SetVideoMode()] Error: Couldn't set video mode %dx%d with "
                       "%dbpp: %s\n",
                       resolutionx, resolutiony, colordepth, SDL_GetError());
        return 0;
    }
    if (screen->format->BitsPerPixel == 24)
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: your desktop is using 24bpp.\n   "
                          "This color depth mode is very slow and could cause problems. Try to "
                          "change it or to run at fullscreen.\n");

    // What the renderer means for the rest of the SDK: surfaces in video
    // memory can be lost only under DirectX with acceleration.
    lostsurfaces = renderer == kDirectX && accel != 1;
    s.opengl = renderer == kOpenGL;

    // Requests the surface does not honour.
    const Uint32 got = screen->flags;
    if ((flags & SDL_HWSURFACE) && !(got & SDL_HWSURFACE))
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: running on software mode instead "
                          "of your requested hardware mode.\n");
    if ((flags & SDL_DOUBLEBUF) && !(got & SDL_DOUBLEBUF))
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: using a single-buffer instead of "
                          "your requested double-buffer.\n");
    if (!(flags & SDL_FULLSCREEN) && (got & SDL_FULLSCREEN))
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: running on a full screen instead "
                          "of your requested window mode.\n");
    if ((flags & SDL_FULLSCREEN) && !(got & SDL_FULLSCREEN))
        ILogSystem.Msg(2, " . [Quenlar.SetVideoMode()] Warning: running on a window mode instead "
                          "of your requested full screen.\n");

    // The overlay windows, on top of this screen; a further call replaces them.
    cConsole *console = new cConsole;
    qnl::ReplaceOverlays(s, console, new cDebugWO(console));

    if (got & SDL_DOUBLEBUF) s.refresh = 2;
    return 1;
}

int QuenlarEngine::IsOpenGL() {
    return state_->opengl ? 1 : 0;
}

int QuenlarEngine::ScreenBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst,
                              SDL_Rect *dstrect) {
    return qnl::ScreenBlit(src, srcrect, dst, dstrect);
}
