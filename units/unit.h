/*
 * Unit: the client's picture of one unit the server reports.
 *
 * Built from the first record that carries a new id, refreshed by later snapshots,
 * moved between them by its own 50 ms steps, and steered and fired by the player who
 * holds it. The World's unit list owns each Unit; a Unit owns its `image`. Whoever
 * takes a Unit out of the list frees the image, then deletes the Unit. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "net/snapshot_format.h"

struct Unit {
  int16_t id;
  SDL_Surface* image;
  SDL_Rect pos;  // the truncation of (x, y): drawing, the terrain test and firing use it
  float x;
  float y;
  int16_t heading;
  int32_t speed;
  int32_t terrain;
  int32_t type;
  bool stale;
  int32_t min_speed;
  int32_t max_speed;
  int32_t accel;
  int32_t decel;
  int32_t turn_rate;
  int32_t throttle;  // +1 forward, 0 none, -1 back, -2 brake
  int32_t turn;      // -1 left (heading grows), 0 none, +1 right
  Uint32 last_step;
  Uint32 reload[2];
  Uint32 last_fire[2];

  // Builds the unit of a record: its type's picture and limits, the record's values.
  explicit Unit(const UnitRecord& record);
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  // Takes the picture and the motion limits of a type number.
  void set_type(int type);

  // Takes one motion step over the map (the rulebook's take_step, unit_motion.h) if 50 ms
  // have passed since the last one.
  void step(SDL_Surface* map);

  // Fires weapon 0 or 1 at a map point if that weapon has reloaded.
  void fire(int weapon, int32_t target_x, int32_t target_y);
};
