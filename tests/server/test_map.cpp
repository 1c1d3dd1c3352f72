#include "tests/server/test_map.h"

#include "map_builders.h"
#include "units/terrain.h"

using test_support::paint;

SDL_Surface* make_test_map(int width, int height) {
  SDL_Surface* map = test_support::make_map(width, height, water_pixel);
  if (!map) return nullptr;
  const int w = width / 20;
  const int h = height / 20;
  paint(map, 0, 0, 10 * w, height, land_pixel);
  paint(map, 3 * w, 8 * h, 2 * w, 3 * h, rock_pixel);
  paint(map, 14 * w, 6 * h, 3 * w, 4 * h, land_pixel);
  paint(map, 11 * w, 13 * h, 6 * w, h / 2, rock_pixel);
  return map;
}

bool save_map(SDL_Surface* map, const std::string& path) {
  return map && SDL_SaveBMP(map, path.c_str()) == 0;
}

bool save_test_map(int width, int height, const std::string& path) {
  SDL_Surface* map = make_test_map(width, height);
  const bool saved = save_map(map, path);
  SDL_FreeSurface(map);
  return saved;
}
