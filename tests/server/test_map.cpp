#include "tests/server/test_map.h"

#include "units/terrain.h"

namespace {

// Paints a rectangle of the map in one colour.
void fill(SDL_Surface* map, int x, int y, int w, int h, Uint32 colour) {
  SDL_Rect area{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                static_cast<Uint16>(h)};
  SDL_FillRect(map, &area, colour);
}

}  // namespace

SDL_Surface* make_plain_map(int width, int height, Uint32 colour) {
  SDL_Surface* map =
      SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  if (map) SDL_FillRect(map, nullptr, colour);
  return map;
}

SDL_Surface* make_test_map(int width, int height) {
  SDL_Surface* map = make_plain_map(width, height, water_pixel);
  if (!map) return nullptr;
  const int w = width / 20;
  const int h = height / 20;
  fill(map, 0, 0, 10 * w, height, land_pixel);
  fill(map, 3 * w, 8 * h, 2 * w, 3 * h, rock_pixel);
  fill(map, 14 * w, 6 * h, 3 * w, 4 * h, land_pixel);
  fill(map, 11 * w, 13 * h, 6 * w, h / 2, rock_pixel);
  return map;
}

bool save_map(SDL_Surface* map, const std::string& path) {
  return SDL_SaveBMP(map, path.c_str()) == 0;
}
