// The launcher's start-up sequence and main loop.
#include "setup/launcher.h"

#include "quenlar.h"

#include <memory>

const char *const kSetupResourceSuffix[RES_COUNT] = {
    "_cursor", "_icon", "_click", "_music", "_font", "_bggeneral", "_bgaudio", "_bgvideo",
    "_play", "_save", "_exit", "_tabgeneral", "_tabvideo", "_tabaudio", "_check", "_radio",
    "_slider", "_benchmark",
};

int RunLauncher() {
    // 1. The log: a new Setup.log every run.
    ILogSystem.Init("Setup.log", LOG_NEWFILE, 2, "Quenlar SDK - Setup v1.1b");

    // 2. The engine: timer, audio and video.
    if (Quenlar.Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0) {
        ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn\xB4t initialize Quenlar: %s\n", SDL_GetError());
        return 1;
    }

    // 3. The layout.
    std::unique_ptr<SetupState> state(new SetupState);
    if (int code = ParseLayout(*state)) {
        ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: %d\n",
                       code);
        return 1;
    }
    return 1;
}
