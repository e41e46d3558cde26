// The engine object: start-up, shutdown and the small services.
#include <quenlar/core/engine_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/crc32_private.h>
#include <quenlar/core/enginelink_private.h>
#include <quenlar/core/log.h>
#include <quenlar/core/timesystem.h>
#include <quenlar/core/version_private.h>
#include <quenlar/dpf/stuffdpf.h>
#include <quenlar/gfx/cursor.h>
#include <quenlar/gfx/image.h>
#include <quenlar/gfx/primitives.h>
#include <quenlar/gfx/screenfx.h>
#include <quenlar/gfx/video.h>
#include <quenlar/gui/button.h>
#include <quenlar/net/network.h>
#include <quenlar/platform/soundlib_private.h>
#include <quenlar/platform/videodriver.h>
#include <quenlar/sound/soundfx.h>

#include <cstdlib>
#include <string>
#include <ucl/ucl.h>

QuenlarEngine Quenlar;

qnl::EngineState &EngineStateOf(QuenlarEngine &engine) {
    return *engine.state_;
}

// ---------------------------------------------------------------------------
// The engine as the layers below it see it: the program's one engine object.
// ---------------------------------------------------------------------------
namespace {
const qnl::EngineLink kLink = {
    [] { return Quenlar.startticks != 0xFFFFFFFF; },
    [] { return Quenlar.screen; },
    [] { return Quenlar.IsOpenGL() != 0; },
    [] { return Quenlar.lostsurfaces != 0; },
    [] { return Quenlar.GetFrameAccumulator(); },
    [](int request) { Quenlar.Refresh(request); },
    [] { return Quenlar.NeedRefresh(); },
    [](int key) { return Quenlar.KeyDown(key); },
    [](Uint32 delay) { return Quenlar.ReadKey(delay); },
    [](int code) { return Quenlar.KeyText(code); },
    &Quenlar,
    &Quenlar.mousex,
    &Quenlar.mousey,
    &Quenlar.mousebuttons,
    &Quenlar.lastmousebuttons,
    &Quenlar.fontcount,
    &Quenlar.spritecount,
    &Quenlar.tilecount,
};
} // namespace

QuenlarEngine::QuenlarEngine() : state_(new qnl::EngineState) {
    qnl::SetEngineLink(&kLink);
}

QuenlarEngine::~QuenlarEngine() {
    for (int h = 1; h <= qnl::kXmlSlots; ++h)
        XMLClose(h);
}

// ---------------------------------------------------------------------------
// Start-up and shutdown
// ---------------------------------------------------------------------------
namespace {
// SDL_Init, with the video subsystem on the driver the platform chooses.
// Without a display to start it on, SDL starts without video and
// SetVideoMode reports the display missing; a driver the user chose must
// start. Without a sound device SDL starts without audio (SDL 2's SDL 1.2
// layer refuses the whole start then, classic SDL 1.2 does not): a game
// runs silently, and opening audio later says why.
bool StartSdl(Uint32 flags) {
    qnl::platform::SilenceSoundLibrary(); // before any start of SDL's audio
    if (SDL_Init(flags & ~(SDL_INIT_VIDEO | SDL_INIT_AUDIO)) < 0) return false;
    if ((flags & SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) < 0)
        ILogSystem.Msg(2, " . [Quenlar.Init()] Warning: SDL starts without sound: %s\n",
                       SDL_GetError());
    if (!(flags & SDL_INIT_VIDEO)) return true;
    qnl::platform::VideoDriverChoice driver;
    if (qnl::platform::StartVideo(1, &driver) || !driver.user) return true;
    const std::string reason = SDL_GetError(); // kept across SDL_Quit
    SDL_Quit();
    SDL_SetError("%s", reason.c_str());
    return false;
}

// SDL that Init started and Quit did not stop is stopped when the process
// ends, whatever the path: SDL 1.2 gives the terminal, the screen mode and
// the keyboard back only in SDL_Quit.
void QuitSdlAtExit() {
    if (Quenlar.IsInitialized()) SDL_Quit();
}
} // namespace

int QuenlarEngine::Init(Uint32 flags) {
    // A second start would make a second set of interfaces and lose the
    // first; the running engine stays as it is.
    if (state_->initialised) {
        ILogSystem.Msg(2, " . [Quenlar.Init()] Warning: Quenlar is already initialized; call "
                          "Quenlar.Quit() first.\n");
        return 1;
    }
    if (!GetCPUFeatures(nullptr)) return -1;

    if (!StartSdl(flags)) {
        ILogSystem.Msg(0, " . [Quenlar.Init()] Error: Couldn't initialize SDL 1.2: %s\n",
                       SDL_GetError());
        return -1;
    }
    state_->videoRequested = (flags & SDL_INIT_VIDEO) != 0;
    static const bool stopsAtExit = std::atexit(QuitSdlAtExit) == 0;
    (void)stopsAtExit;

    // The fixed creation order; Quit destroys them in reverse.
    IStuffDPF = new QStuffDPF;
    IImage = new QImage;
    ICursor = new QCursor;
    IPrimitives = new QPrimitives;
    IButton = new QButton;
    IScreenFX = new QScreenFX;
    ITimeSystem = new QTimeSystem;
    INetwork = new QNetwork;
    IVideo = new QVideo;
    ISoundFX = new QSoundFX;
    ISoundFX->started = 0; // the application opens audio itself

    if (ucl_init() != UCL_E_OK)
        ILogSystem.Msg(0, " . [Quenlar.Init()] Error: UCL failed to initiate\n");

    startticks = QuenlarTicks();
    ILogSystem.SetStartTicks(startticks);
    state_->quitRequested = false;
    state_->initialised = true;
    ILogSystem.Msg(0, "\n . Quenlar successfully initiated.\n");
    return 1;
}

namespace {
template <typename T> void Destroy(T *&object) {
    delete object;
    object = nullptr;
}
} // namespace

void QuenlarEngine::Quit() {
    qnl::EngineState &s = *state_;
    if (!s.initialised) return;

    qnl::ReplaceOverlays(s, nullptr, nullptr);
    qnl::FreeRetiredOverlays(s);
    Destroy(ISoundFX);
    Destroy(IVideo);
    Destroy(INetwork);
    Destroy(ITimeSystem);
    Destroy(IScreenFX);
    Destroy(IButton);
    Destroy(IPrimitives);
    Destroy(ICursor);
    Destroy(IImage);
    Destroy(IStuffDPF);

    if (icon) SDL_FreeSurface(icon);
    icon = nullptr;

    SDL_Quit();
    // The display surface and the key-state array belonged to SDL.
    screen = nullptr;
    s.keys = nullptr;
    s.keyCount = 0;
    s.buttonsPressed = s.buttonsReleased = s.buttonsPressedAgain = 0;
    s.keysPressed.reset();
    s.stepKeys.reset();

    if (tilecount)
        ILogSystem.Msg(
            2, "\n . [CTiles] Warning! your application have left %d tiles without deleting.",
            tilecount);
    if (spritecount)
        ILogSystem.Msg(
            2, "\n . [CSprites] Warning! your application have left %d sprites without deleting.",
            spritecount);
    if (fontcount)
        ILogSystem.Msg(
            2, "\n . [CFonts] Warning! your application have left %d fonts without deleting.",
            fontcount);

    ILogSystem.Msg(0, "\n . Quenlar successfully closed.\n\n");
    s.initialised = false;
    s.videoRequested = false;
}

bool QuenlarEngine::IsInitialized() const {
    return state_->initialised;
}

const char *QuenlarEngine::GetVersion() const {
    return qnl::kVersionText;
}

const char *QuenlarEngine::GetCredits() const {
    return qnl::kCreditsText;
}

// ---------------------------------------------------------------------------
// Services
// ---------------------------------------------------------------------------
unsigned int QuenlarEngine::CRC32(const void *data, int length) {
    if (!data || length <= 0) return 0;
    return qnl::Crc32(0, data, (size_t)length);
}

void QuenlarEngine::Refresh(int request) {
    int &refresh = state_->refresh;
    if (request <= 0) {
        // A double-buffered screen must be redrawn on every frame.
        if (screen && !(screen->flags & SDL_DOUBLEBUF)) refresh = 0;
    } else if (request == 1) {
        if (refresh != 2) refresh = 1;
    } else {
        refresh = 2;
    }
}

int QuenlarEngine::NeedRefresh() {
    return state_->refresh == 1 || state_->refresh == 2;
}
