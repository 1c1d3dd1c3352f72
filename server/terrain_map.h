/*
 * The map picture as the server's world sees it.
 *
 * Owns the map surface (0x00RRGGBB pixels, see units/picture.h) and is the map the
 * rulebook's step and terrain test read (units/unit_motion.h), through the same
 * map_pixel the client uses, so both sides agree on every shore. Built once at
 * start-up; afterwards only read. Single thread (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "units/unit_motion.h"
#include "units/unit_types.h"

class TerrainMap final : public MapPixels {
 public:
  // Smallest map the world can keep its units on, away from the edges.
  static constexpr int min_side = 256;

  // Takes ownership of a 32-bit 0x00RRGGBB surface.
  explicit TerrainMap(SDL_Surface* map);
  ~TerrainMap();
  TerrainMap(const TerrainMap&) = delete;
  TerrainMap& operator=(const TerrainMap&) = delete;

  // Loads a map file; on failure returns null and says why in `error`.
  static std::unique_ptr<TerrainMap> load(const std::string& path, std::string& error);

  // The map's size in pixels.
  int width() const { return map_->w; }
  int height() const { return map_->h; }

  // The raw pixel at (x, y), 0 outside the map.
  uint32_t pixel(int32_t x, int32_t y) const override;

  // Whether a unit of this terrain may stand on pixel (x, y): the rulebook's may_enter.
  bool allows(Terrain terrain, int32_t x, int32_t y) const {
    return may_enter(terrain, *this, x, y);
  }

 private:
  SDL_Surface* map_;
};
