#include "units/clock.h"

Uint32 (*game_ticks)() = SDL_GetTicks;
