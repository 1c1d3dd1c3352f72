#include "server/terrain_map.h"

#include "units/picture.h"
#include "units/terrain.h"

TerrainMap::TerrainMap(SDL_Surface* map) : map_(map) {}

TerrainMap::~TerrainMap() { SDL_FreeSurface(map_); }

std::unique_ptr<TerrainMap> TerrainMap::load(const std::string& path, std::string& error) {
  SDL_Surface* map = load_terrain_map(path.c_str());
  if (!map) {
    error = picture_failure("map", path.c_str());
    error += last_picture_fault() == PictureFault::missing
                 ? "; run from the game's folder or pass --map PATH"
                 : "; pass another picture with --map PATH";
    return nullptr;
  }
  if (map->w < min_side || map->h < min_side) {
    error = "map " + local_path(path.c_str()) + " is " + std::to_string(map->w) + "x" +
            std::to_string(map->h) + ", smaller than " + std::to_string(min_side) + "x" +
            std::to_string(min_side) + "; pass a larger picture with --map PATH";
    SDL_FreeSurface(map);
    return nullptr;
  }
  return std::make_unique<TerrainMap>(map);
}

uint32_t TerrainMap::pixel(int32_t x, int32_t y) const { return map_pixel(map_, x, y); }
