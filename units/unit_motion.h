/*
 * Where a unit moves: the 50 ms motion step, written once for the client and the server.
 *
 * One step applies the throttle (the speed kept within the type's limits), then the turn
 * (16-bit heading arithmetic), works out the displacement in single precision, probes the
 * terrain at the 16-bit position less the truncated displacement, moves only if the probe
 * lets the unit through, and in either case sets the 16-bit position to the truncation of
 * the new (x, y). The client's Unit::step takes this step every 50 ms; the server moves
 * its own units with it, so both land on the same positions to the bit.
 *
 * Plain data, with the map passed in as a pixel lookup: no SDL here. Safe on any thread
 * that may read the map.
 */
#pragma once

#include <cstdint>

#include "units/unit_types.h"

// What the rules read of a map: the raw 0x00RRGGBB pixel at column x, row y, 0 outside.
class MapPixels {
 public:
  virtual uint32_t pixel(int32_t x, int32_t y) const = 0;

 protected:
  ~MapPixels() = default;
};

// Whether a unit held to `terrain` may enter pixel (x, y). A unit free of terrain may go
// anywhere, and the map is not read for it.
bool may_enter(Terrain terrain, const MapPixels& map, int32_t x, int32_t y);

// The limits a unit's type puts on its motion (from its UnitTypeRow).
struct MotionLimits {
  int32_t min_speed;
  int32_t max_speed;
  int32_t accel;
  int32_t decel;
  int32_t turn_rate;
  Terrain terrain;
};

// What one step reads and changes.
struct UnitMotion {
  float x;
  float y;
  int16_t pos_x;  // the truncation of (x, y) at the last step: where the terrain probe starts
  int16_t pos_y;
  int16_t heading;   // whole degrees
  int32_t speed;     // pixels per step
  int32_t throttle;  // +1 forward, 0 none, -1 back, -2 brake
  int32_t turn;      // -1 left (heading grows), 0 none, +1 right
  MotionLimits limits;
};

// A unit of `type` at (x, y) that holds its heading and speed (no throttle, no turn), as
// the client moves every unit no player steers; pos is the truncation of (x, y), as in a
// Unit built from a record.
UnitMotion steady_motion(int type, float x, float y, int16_t heading, int32_t speed);

// Takes one step; says whether the terrain let the unit move (speed 0 moves in place).
bool take_step(UnitMotion& motion, const MapPixels& map);
