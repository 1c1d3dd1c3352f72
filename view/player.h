/*
 * Player: the person at the keyboard.
 *
 * Holds at most one Unit of the World's unit list (borrowed, never owned) and the view
 * rectangle through which each frame is drawn. The main routine creates the one Player
 * and owns it. While it lives, the Player lets go of its unit the moment the World
 * removes that unit, so it never holds a unit that has left the list. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "view/screen_size.h"

struct Unit;

struct Player {
  Unit* unit = nullptr;
  SDL_Rect view{0, 0, screen_width, screen_height};

  Player();
  ~Player();
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Holds the Unit at that position of the unit list, or none if there is no such position.
  void select_unit(int32_t index);
};
