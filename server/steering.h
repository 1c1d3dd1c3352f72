/*
 * Course keeping for the server's units: looking ahead along a heading with the
 * rulebook's steps (units/unit_motion.h, the client's own), and turning away from shores and map
 * edges before a unit reaches them.
 *
 * A course is only chosen if every step of the next tick (and a little more) keeps
 * the unit on its terrain and inside the interior, so a course taken at a tick
 * boundary never has to change before the next one, when the client learns of it.
 * Holds a reference to the map, which must outlive it. Single thread.
 */
#pragma once

#include <cstdint>

#include "server/terrain_map.h"
#include "server/unit_kinds.h"

// A unit's heading in whole degrees (0..359) and its speed per 50 ms step.
struct Course {
  int16_t heading;
  int16_t speed;
};

// A rectangle of pixels: left and top included, right and bottom excluded.
struct Area {
  int left;
  int top;
  int right;
  int bottom;

  // Whether pixel (x, y) is inside.
  bool contains(int32_t x, int32_t y) const {
    return x >= left && x < right && y >= top && y < bottom;
  }
  // Whether the area holds no pixel at all.
  bool empty() const { return right <= left || bottom <= top; }
};

// A heading folded into 0..359.
int16_t normal_heading(int heading);

class Steering {
 public:
  // Pixels kept free at each map edge.
  static constexpr int edge_margin = 24;

  // Steers on `map`, checking courses for ticks of up to `steps_per_tick_max` steps.
  Steering(const TerrainMap& map, int steps_per_tick_max);

  // The map less its margins: where units may be.
  const Area& interior() const { return interior_; }

  // How many steps ahead must be clear before a unit takes a course at this speed.
  int lookahead(int16_t speed) const;

  // Whether a unit of this kind at (x, y) can hold the course for a full lookahead.
  bool is_clear(const UnitKind& kind, float x, float y, const Course& course) const;

  // A clear course as close to `wanted` as can be found: turning further and further
  // (first towards `turn_sign`), then slowing down; if none is clear, units that may
  // stop stop, and the others head for the middle of the map.
  Course find_course(const UnitKind& kind, float x, float y, const Course& wanted,
                     int turn_sign) const;

 private:
  const TerrainMap& map_;
  Area interior_;
  int steps_per_tick_max_;
};
