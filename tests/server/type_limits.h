/*
 * Each unit type's speed limits and terrain as the game's rules give them, written out
 * here as plain values, so the server's tests hold its snapshots to the rules without
 * taking them from the code under test (units/unit_types.cpp). The map surface belongs
 * to the caller.
 */
#pragma once

#include <SDL/SDL.h>

#include <cmath>
#include <cstdint>
#include <optional>

#include "units/terrain.h"

// The two terrain colours as the map's raw pixels read: olive land, blue water.
constexpr Uint32 land_colour = 0x808000;
constexpr Uint32 water_colour = 0x0080FF;

struct TypeLimits {
  int min_speed;
  int max_speed;
  // The only map pixel a unit of the type may stand on, or 0 if it may be anywhere.
  Uint32 terrain;
};

// The limits of a type number, or none for a type the game does not know.
inline std::optional<TypeLimits> type_limits(int type) {
  switch (type) {
    case -1:  // unknown enemy
      return TypeLimits{0, 0, 0};
    case 0:  // infantry
      return TypeLimits{-4, 6, land_colour};
    case 1:  // tank
      return TypeLimits{-6, 12, land_colour};
    case 2:  // airplane
      return TypeLimits{5, 25, 0};
    case 3:  // cruiser
      return TypeLimits{-5, 10, water_colour};
    case 4:  // anti-aircraft tank
      return TypeLimits{-6, 12, land_colour};
    case 5:  // saboteur
      return TypeLimits{-6, 8, land_colour};
    case 6:  // ducky
      return TypeLimits{-5, 15, water_colour};
    case 7:  // commander
      return TypeLimits{-100, 100, 0};
    default:
      return std::nullopt;
  }
}

// Whether a unit under `limits` may be at (x, y) on the map: the pixel it stands on.
inline bool stands_on_its_terrain(SDL_Surface* map, const TypeLimits& limits, float x, float y) {
  return limits.terrain == 0 || map_pixel(map, static_cast<int32_t>(std::trunc(x)),
                                          static_cast<int32_t>(std::trunc(y))) == limits.terrain;
}
