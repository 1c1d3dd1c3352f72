/*
 * The map picture as terrain.
 *
 * The map is kept as a 32-bit surface whose raw pixels read 0x00RRGGBB (see picture.h),
 * so its raw values compare with the terrain pixels of the rules (land_pixel and
 * water_pixel, unit_types.h). The caller owns the map surface. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "units/unit_motion.h"
#include "units/unit_types.h"

// The map picture both programs load, as the game writes its path.
constexpr const char* game_map_file = "gfx\\map1.png";

// Loads the map picture in the 0x00RRGGBB layout; null if it cannot be read.
SDL_Surface* load_terrain_map(const char* game_path);

// The raw pixel at column x, row y, or 0 outside the map. Locks the map around the read.
Uint32 map_pixel(SDL_Surface* map, int32_t x, int32_t y);

// A map surface as the rules read it: every pixel through map_pixel. Borrows the surface.
class SurfacePixels final : public MapPixels {
 public:
  explicit SurfacePixels(SDL_Surface* map) : map_(map) {}
  uint32_t pixel(int32_t x, int32_t y) const override { return map_pixel(map_, x, y); }

 private:
  SDL_Surface* map_;
};
