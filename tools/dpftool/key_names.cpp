#include "key_names.h"

#include <quenlar/platform/keyname_private.h>

#include <SDL.h>
#include <cstdlib>
#include <strings.h>

namespace dpftool {

namespace {
// Classic SDL 1.2 fills its table of key names when its video starts; a
// command that has not started it gets the dummy driver's, which needs no
// display. The variable is put back for the rest of the command.
void StartKeyNames() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return;
    const char *driver = std::getenv("SDL_VIDEODRIVER");
    const std::string previous = driver ? driver : "";
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    SDL_InitSubSystem(SDL_INIT_VIDEO);
    if (driver)
        setenv("SDL_VIDEODRIVER", previous.c_str(), 1);
    else
        unsetenv("SDL_VIDEODRIVER");
}

bool Named(const char *name) {
    return name && *name && strcasecmp(name, "unknown key") != 0;
}
} // namespace

int KeyFromName(const std::string &name) {
    StartKeyNames();
    for (int key = 1; key < SDLK_LAST; ++key) {
        const char *known = qnl::platform::KeyName(key);
        if (Named(known) && strcasecmp(known, name.c_str()) == 0) return key;
    }
    return 0;
}

std::string KeyName(int key) {
    StartKeyNames();
    const char *known = key > 0 && key < SDLK_LAST ? qnl::platform::KeyName(key) : nullptr;
    return Named(known) ? known : "key " + std::to_string(key);
}

} // namespace dpftool
