/*
 * Where the controls read the held keys and the mouse.
 *
 * SDL's key-state array and mouse state unless a test puts its own readers in.
 * Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

struct InputSeam {
  Uint8* (*key_state)(int* numkeys) = SDL_GetKeyState;
  Uint8 (*mouse_state)(int* x, int* y) = SDL_GetMouseState;
};

extern InputSeam input_seam;
