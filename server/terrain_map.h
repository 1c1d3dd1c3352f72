/*
 * The map picture as the server's world sees it.
 *
 * Owns the map surface (0x00RRGGBB pixels, see units/picture.h) and answers which
 * terrain a pixel is through the same map_pixel the client uses, so both sides
 * agree on every shore. Built once at start-up; afterwards only read. Single
 * thread (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <string>

#include "server/unit_kinds.h"

class TerrainMap {
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
  Uint32 pixel(int32_t x, int32_t y) const;

  // Whether a unit of this terrain may stand on pixel (x, y).
  bool allows(Terrain terrain, int32_t x, int32_t y) const;

 private:
  SDL_Surface* map_;
};
