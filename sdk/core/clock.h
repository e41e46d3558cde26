// The engine's millisecond clock. Every read of the clock and every sleep in
// the SDK goes through these two calls, so that tests (and tools such as
// replays) can substitute a clock of their own.
#ifndef QUENLAR_CORE_CLOCK_H
#define QUENLAR_CORE_CLOCK_H

#include <SDL.h>

typedef Uint32 (*QuenlarTicksFn)();        // milliseconds, wraps like SDL_GetTicks
typedef void (*QuenlarDelayFn)(Uint32 ms); // sleeps (or, for a fake clock, advances)

// Milliseconds from the active clock (SDL_GetTicks unless replaced).
Uint32 QuenlarTicks();
// Sleeps through the active clock (SDL_Delay unless replaced).
void QuenlarDelay(Uint32 ms);
// Replaces the clock; null for either argument restores SDL's own call.
void QuenlarSetClock(QuenlarTicksFn ticks, QuenlarDelayFn delay);

#endif
