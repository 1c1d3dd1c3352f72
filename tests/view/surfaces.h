/*
 * Pictures and maps the view tests make for themselves, and reading the screen back.
 *
 * Pictures are in the 0x00RRGGBB layout the game keeps its unit pictures in. A coded map
 * holds a different colour at every point, so one screen pixel tells which map point
 * the view put there.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

#include "core/world.h"
#include "units/unit.h"

namespace view_test {

constexpr Uint32 magenta = 0xFF00FF;

// A w x h picture in the 0x00RRGGBB layout, filled with one colour.
inline SDL_Surface* make_picture(int w, int h, Uint32 fill) {
  SDL_Surface* picture =
      SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  SDL_FillRect(picture, nullptr, fill);
  return picture;
}

// Fills a rectangle of a picture (or map) with one colour.
inline void paint(SDL_Surface* picture, int x, int y, int w, int h, Uint32 colour) {
  SDL_Rect area{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                static_cast<Uint16>(h)};
  SDL_FillRect(picture, &area, colour);
}

// The colour a coded map holds at (x, y): unique for every point below 4096 by 4096,
// and never magenta.
inline Uint32 map_colour(int x, int y) {
  const Uint32 high = static_cast<Uint32>(((x >> 8) & 0xF) << 4 | ((y >> 8) & 0xF));
  return static_cast<Uint32>(x & 0xFF) << 16 | static_cast<Uint32>(y & 0xFF) << 8 | high;
}

// A w x h map whose every point holds map_colour.
inline SDL_Surface* make_coded_map(int w, int h) {
  SDL_Surface* map = make_picture(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      static_cast<Uint32*>(map->pixels)[x + y * (map->pitch / 4)] = map_colour(x, y);
  return map;
}

// The screen's pixel at (x, y) as 0x00RRGGBB, whatever the screen's depth.
inline Uint32 screen_colour(int x, int y) {
  SDL_Surface* screen = world.screen;
  const Uint8* row = static_cast<const Uint8*>(screen->pixels) + y * screen->pitch;
  Uint32 raw = 0;
  switch (screen->format->BytesPerPixel) {
    case 1:
      raw = row[x];
      break;
    case 2:
      raw = reinterpret_cast<const Uint16*>(row)[x];
      break;
    default:
      raw = reinterpret_cast<const Uint32*>(row)[x];
      break;
  }
  Uint8 r, g, b;
  SDL_GetRGB(raw, screen->format, &r, &g, &b);
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
