#include <quenlar/core/clock.h>

namespace {
Uint32 SdlTicks() {
    return SDL_GetTicks();
}
void SdlDelay(Uint32 ms) {
    SDL_Delay(ms);
}

QuenlarTicksFn g_ticks = SdlTicks;
QuenlarDelayFn g_delay = SdlDelay;
} // namespace

Uint32 QuenlarTicks() {
    return g_ticks();
}

void QuenlarDelay(Uint32 ms) {
    g_delay(ms);
}

void QuenlarSetClock(QuenlarTicksFn ticks, QuenlarDelayFn delay) {
    g_ticks = ticks ? ticks : SdlTicks;
    g_delay = delay ? delay : SdlDelay;
}
