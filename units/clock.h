/*
 * The game's millisecond clock.
 *
 * Every 50 ms step and every reload is timed by game_ticks, which reads SDL_GetTicks
 * unless a test points it at a clock of its own. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

// Milliseconds since SDL started (or the test's clock); wraps past 2^32.
extern Uint32 (*game_ticks)();

// True once at least `interval` ms have passed since `since`, across a wrap too.
inline bool interval_passed(Uint32 now, Uint32 since, Uint32 interval) {
  return static_cast<Uint32>(now - since) >= interval;
}
