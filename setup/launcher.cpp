// The launcher's start-up sequence, main loop and shutdown.
//
// Index
//   RunLauncher ...... start-up, the loop, the normal end
//   LoadResources .... everything the window needs from setup.dpf
//   FreeResources .... the reverse, before the engine shuts down
//   RunMainLoop ...... one pass per logic step until the quit flag is set
#include "setup/launcher.h"

#include <quenlar/quenlar.h>
#include "setup/panel.h"

#include <quenlar/platform/text.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

const char *const kSetupResourceSuffix[RES_COUNT] = {
    "_cursor",   "_icon",     "_click", "_music", "_font",   "_bggeneral",
    "_bgaudio",  "_bgvideo",  "_play",  "_save",  "_exit",   "_tabgeneral",
    "_tabvideo", "_tabaudio", "_check", "_radio", "_slider", "_benchmark",
};

namespace {

// Every resource of the window comes from this package; the layout's
// setupdpf names only where the game's configuration lives.
const char kPackage[] = "setup.dpf";
const int kWindowWidth = 430;
const int kWindowHeight = 400;
const int kEscape = 27;

// The launcher's window: a fixed size, framed, on the platform's windowed
// driver. The engine's other fields keep their values.
void ConfigureWindow(SetupState &state) {
    Quenlar.title = state.title;
    Quenlar.icon = IImage->Load(kPackage, state.resource[RES_ICON]); // optional
    Quenlar.resolutiony = kWindowHeight;
    Quenlar.resolutionx = kWindowWidth;
    Quenlar.mtfriendly = 1;
    Quenlar.window = 1;   // a window with a frame
    Quenlar.renderer = 2; // Windib; the platform maps it to its own windowed driver
}

// A start-up failure: the log line, and the same text once on stderr in
// UTF-8, naming the log, for a player who started the launcher from a
// terminal (the log is Windows-1252).
void FatalError(const char *format, ...) QUENLAR_PRINTF(1, 2);
void FatalError(const char *format, ...) {
    va_list args;
    va_start(args, format);
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ILogSystem.Msg(2, "%s", text);

    // " \xB7 [Init Error] - ...\n" becomes "setup: [Init Error] - ... (see Setup.log)".
    std::string line = text;
    const size_t start = line.find('[');
    line = line.substr(start == std::string::npos ? 0 : start);
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    const std::string log = ILogSystem.GetFileName();
    if (!log.empty()) line += " (see " + log + ")";
    std::fprintf(stderr, "setup: %s\n", qnl::platform::Utf8FromWindows1252(line.c_str()).c_str());
}

} // namespace

// Loads in the fixed order; returns null, or the name of the first resource
// that failed (later ones are not loaded).
const char *LoadResources(SetupState &state) {
    const SetupResource backgrounds[TAB_COUNT] = {RES_BGGENERAL, RES_BGVIDEO, RES_BGAUDIO};
    for (int tab = 0; tab < TAB_COUNT; ++tab) {
        state.background[tab] = IImage->Load(kPackage, state.resource[backgrounds[tab]]);
        if (!state.background[tab]) return state.resource[backgrounds[tab]];
    }
    return nullptr;
}

void FreeResources(SetupState &state) {
    for (SDL_Surface *&background : state.background) {
        if (background) SDL_FreeSurface(background);
        background = nullptr;
    }
}

void RunMainLoop(SetupState &) {
    int quit = 0;
    do {
        // Escape, or the window system asking the program to close.
        if (Quenlar.KeyDown(kEscape) || Quenlar.QuitRequested()) quit = 1;
        // Until a logic step is due: events, frames, the mtfriendly sleep.
        while (Quenlar.Update()) {
        }
    } while (!quit);
}

int RunLauncher() {
    // A new Setup.log every run.
    ILogSystem.Init("Setup.log", LOG_NEWFILE, 2, "Quenlar SDK - Setup v1.1b");

    // The engine: timer, audio and video.
    if (Quenlar.Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        FatalError(" \xB7 [Init Error] - Couldn\xB4t initialize Quenlar: %s\n", SDL_GetError());
        return 1;
    }

    // The layout.
    std::unique_ptr<SetupState> state(new SetupState);
    if (int code = ParseLayout(*state)) {
        FatalError(" \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: %d\n",
                   code);
        return 1;
    }

    // The window.
    ConfigureWindow(*state);
    if (!Quenlar.SetVideoMode()) {
        std::string reason = SDL_GetError(); // read before SDL shuts down
        Quenlar.Quit();
        FatalError(" \xB7 [Init Error] - Couldn\xB4t set video mode %dx%d: %s\n", kWindowWidth,
                   kWindowHeight, reason.c_str());
        return 1;
    }

    // Rendering at 60 frames and logic at 20 steps per second.
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);

    // The resources.
    if (const char *failed = LoadResources(*state)) {
        FatalError(" \xB7 [Init Error] - Couldn't load graphic resource: '%s'.\n", failed);
        FreeResources(*state);
        Quenlar.Quit();
        return 1;
    }

    // The general tab.
    state->currentTab = -1;
    ShowTab(*state, TAB_GENERAL);

    RunMainLoop(*state);

    FreeResources(*state);
    Quenlar.Quit();
    return 0;
}
