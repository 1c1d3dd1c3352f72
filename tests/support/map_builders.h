/*
 * Maps and pictures tests make for themselves, in the 32-bit 0x00RRGGBB layout the game
 * keeps its map and unit pictures in, so a raw pixel value is the colour as written.
 * The caller owns each surface. Main thread only (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

namespace test_support {

// A w x h surface in the 0x00RRGGBB layout, filled with one raw pixel value; null if
// SDL cannot make it.
inline SDL_Surface* make_map(int w, int h, Uint32 fill) {
  SDL_Surface* map =
      SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  if (map) SDL_FillRect(map, nullptr, fill);
  return map;
}

// Sets one raw pixel of such a surface.
inline void set_pixel(SDL_Surface* map, int x, int y, Uint32 value) {
  static_cast<Uint32*>(map->pixels)[x + y * (map->pitch / 4)] = value;
}

// Fills a rectangle of such a surface with one raw pixel value.
inline void paint(SDL_Surface* map, int x, int y, int w, int h, Uint32 value) {
  SDL_Rect area{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                static_cast<Uint16>(h)};
  SDL_FillRect(map, &area, value);
}

}  // namespace test_support
