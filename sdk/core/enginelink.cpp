#include <quenlar/core/enginelink_private.h>

namespace qnl {

namespace {
// The answers of an engine that has not started.
QuenlarConfig g_config;
Sint32 g_mousex = 0, g_mousey = 0;
Uint8 g_mousebuttons = 0, g_lastmousebuttons = 0;
Sint32 g_fontcount = 0, g_spritecount = 0, g_tilecount = 0;

const EngineLink kNoEngine = {
    [] { return false; },
    []() -> SDL_Surface * { return nullptr; },
    [] { return false; },
    [] { return false; },
    [] { return 0.0f; },
    [](int) {},
    [] { return 0; },
    [](int) -> Uint8 { return 0; },
    [](Uint32) { return 0; },
    [](int) -> const char * { return nullptr; },
    &g_config,
    &g_mousex,
    &g_mousey,
    &g_mousebuttons,
    &g_lastmousebuttons,
    &g_fontcount,
    &g_spritecount,
    &g_tilecount,
};

const EngineLink *g_link = &kNoEngine;
} // namespace

void SetEngineLink(const EngineLink *link) {
    g_link = link ? link : &kNoEngine;
}

const EngineLink &Engine() {
    return *g_link;
}

} // namespace qnl
