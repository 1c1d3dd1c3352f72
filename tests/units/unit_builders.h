/*
 * Small helpers the unit and shot tests share: units listed in the World (so the
 * fixture frees them), the clock moved by hand, and float bit patterns for exact checks.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <cstring>

#include "core/world.h"
#include "game_fixture.h"
#include "units/unit.h"

namespace unit_tests {

// A unit of `type` built from a record at the current test time and listed in the World.
inline Unit& listed_unit(int16_t type, float x, float y, int16_t heading, int16_t speed) {
  Unit* unit = new Unit(test_support::record(1, type, x, y, heading, speed));
  world.units.push_back(unit);
  return *unit;
}

// Moves the test clock on by `ms`, wrapping like SDL's.
inline void advance(Uint32 ms) { test_support::now += ms; }

// The bits of a float, so equality means bit-identical.
inline uint32_t bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

}  // namespace unit_tests
