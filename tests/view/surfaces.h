/*
 * Pictures and maps the view tests make for themselves, and reading the screen back.
 *
 * Pictures are in the 0x00RRGGBB layout (map_builders.h). A coded map
 * holds a different colour at every point, so one screen pixel tells which map point
 * the view put there.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "core/world.h"
#include "map_builders.h"
#include "units/raw_pixel.h"
#include "units/unit.h"

namespace view_test {

constexpr Uint32 magenta = 0xFF00FF;

using test_support::paint;

// A w x h picture filled with one colour; unit pictures share the maps' layout.
inline SDL_Surface* make_picture(int w, int h, Uint32 fill) {
  return test_support::make_map(w, h, fill);
}

// The colour a coded map holds at (x, y): unique for every point below 4096 by 4096,
// and never magenta.
inline Uint32 map_colour(int x, int y) {
  const Uint32 high = static_cast<Uint32>(((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF));
  return static_cast<Uint32>(x & 0xFF) << 16 | static_cast<Uint32>(y & 0xFF) << 8 | high;
}

// A w x h map whose every point holds map_colour.
inline SDL_Surface* make_coded_map(int w, int h) {
  SDL_Surface* map = test_support::make_map(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) test_support::set_pixel(map, x, y, map_colour(x, y));
  return map;
}

// The screen's raw pixel value at (x, y), whatever the screen's depth.
inline Uint32 screen_pixel(int x, int y) {
  SDL_Surface* screen = world.screen;
  const Uint8* at = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch +
                    x * screen->format->BytesPerPixel;
  return read_pixel(at, screen->format->BytesPerPixel);
}

// The screen's pixel at (x, y) as 0x00RRGGBB, whatever the screen's depth.
inline Uint32 screen_colour(int x, int y) {
  Uint8 r, g, b;
  SDL_GetRGB(screen_pixel(x, y), world.screen->format, &r, &g, &b);
  return static_cast<Uint32>(r) << 16 | static_cast<Uint32>(g) << 8 | b;
}

// A unit of the given type added to the World's list, drawn with `picture` (which it
// then owns) instead of its type's own picture.
inline Unit* add_unit(int16_t id, float x, float y, int16_t heading, SDL_Surface* picture) {
  Unit* unit = new Unit(UnitRecord{x, y, heading, 0, 1, id});
  SDL_FreeSurface(unit->image);
  unit->image = picture;
  world.units.push_back(unit);
  return unit;
}

}  // namespace view_test
