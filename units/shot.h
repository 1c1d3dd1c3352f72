/*
 * Shot: a projectile in flight or an explosion where one ended.
 *
 * A projectile flies from its start toward its target and, once its path is used up,
 * asks the shot pass for an explosion in its place; an explosion stands, shakes and
 * ends after ten steps. Shots take a step at most every 50 ms. The World's shot list
 * owns each Shot; a Shot owns its `image` (which may be null if the picture could not
 * be made: the shot then runs its course all the same). Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

enum ShotKind { projectile = 1, explosion = 2 };

// What the shot pass is to do with a shot after its step.
struct ShotEvent {
  int16_t action;  // -1 keep; 0 remove; above 0 remove and create a Shot of that kind
  int16_t speed;
  int16_t life;
  int16_t start_x;
  int16_t start_y;
  int16_t target_x;
  int16_t target_y;
};

struct Shot {
  int32_t kind;
  SDL_Rect pos;
  SDL_Rect start;
  SDL_Rect target;
  SDL_Surface* image;
  float x;
  float y;
  int32_t speed;
  double heading;
  Uint32 last_step;
  int32_t range_left;  // projectile: pixels of path left; explosion: steps of life left

  // Makes a shot heading from start toward target, with its own picture.
  Shot(int shot_kind, int shot_speed, int life, int16_t start_x, int16_t start_y, int16_t target_x,
       int16_t target_y);
  Shot(const Shot&) = delete;
  Shot& operator=(const Shot&) = delete;

  // Takes one step if 50 ms have passed and says what should become of the shot.
  ShotEvent step();
};
