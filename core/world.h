/*
 * World: the state every part of the game shares, one global instance `world`.
 *
 * `units` and `shots` own their Units and Shots, in the order they were appended;
 * `screen` belongs to SDL. Lists are walked by position, never by a saved element
 * address, so a walk survives removals (the next element moves into the same
 * position) and appends (reached later, as the length is read at every step).
 * Main thread only; nothing here is locked.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstddef>
#include <functional>
#include <vector>

struct Unit;
struct Shot;

struct World {
  std::vector<Unit*> units;
  std::vector<Shot*> shots;
  SDL_Surface* screen = nullptr;

  // Told of each Unit just before it is deleted, so a borrower can let go of it.
  std::function<void(const Unit*)> on_unit_removed;

  // Frees the image of the Unit at `position`, deletes it and closes the gap.
  void remove_unit(std::size_t position);

  // Frees the image of the Shot at `position`, deletes it and closes the gap.
  void remove_shot(std::size_t position);

  // Removes every Unit and every Shot, as at the end of a run.
  void clear();
};

extern World world;
