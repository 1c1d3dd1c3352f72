#include "view/draw_frame.h"

#include <SDL/SDL_rotozoom.h>

#include <cstdint>

#include "core/world.h"
#include "units/picture_format.h"
#include "units/shot.h"
#include "units/unit.h"
#include "view/player.h"

namespace {

constexpr Uint32 colour_key_flags = SDL_SRCCOLORKEY | SDL_RLEACCEL;

// Magenta as this surface stores it: a picture in the screen's format keys through the
// screen's mapping, a 0x00RRGGBB picture through its own.
Uint32 magenta(const SDL_Surface* surface) { return SDL_MapRGB(surface->format, 255, 0, 255); }

// 16-bit arithmetic, lower bound first: a map narrower than the screen gives a negative x.
void place_view(SDL_Surface* map, Player& player) {
  SDL_Rect& view = player.view;
  if (!player.unit) {
    view.x = 0;
    view.y = 0;
  } else {
    view.x = static_cast<int16_t>(player.unit->pos.x - screen_width / 2);
    view.y = static_cast<int16_t>(player.unit->pos.y - screen_height / 2);
    if (view.x < 0)
      view.x = 0;
    else if (view.x > map->w - screen_width)
      view.x = static_cast<int16_t>(map->w - screen_width);
    if (view.y < 0)
      view.y = 0;
    else if (view.y > map->h - screen_height)
      view.y = static_cast<int16_t>(map->h - screen_height);
  }
  view.w = screen_width;
  view.h = screen_height;
}

// Blits a picture centred on a map point, halves truncated toward zero.
void blit_centred(SDL_Surface* picture, const SDL_Rect& at, const SDL_Rect& view) {
  SDL_Rect dest{static_cast<int16_t>(at.x - view.x - picture->w / 2),
                static_cast<int16_t>(at.y - view.y - picture->h / 2), 0, 0};
  SDL_UpperBlit(picture, nullptr, world.screen, &dest);
}

// A picture that could not be made shows as an orange square of that size.
void fill_square(const SDL_Rect& at, int size, const SDL_Rect& view) {
  SDL_Rect square{static_cast<int16_t>(at.x - view.x - size / 2),
                  static_cast<int16_t>(at.y - view.y - size / 2), static_cast<Uint16>(size),
                  static_cast<Uint16>(size)};
  SDL_FillRect(world.screen, &square, SDL_MapRGB(world.screen->format, 255, 160, 0));
}

// Keys and blits a picture centred on a map point. A picture in another format than the
// screen's is drawn through an exact copy in the screen's format, made for this one blit
// and keyed without RLE: on 8- to 24-bit screens, encoding a copy costs more than its one
// encoded blit saves (bench/README.md).
void draw_keyed(SDL_Surface* picture, const SDL_Rect& at, const SDL_Rect& view) {
  if (same_pixel_format(picture->format, world.screen->format)) {
    SDL_SetColorKey(picture, colour_key_flags, magenta(picture));
    blit_centred(picture, at, view);
    return;
  }
  SDL_Surface* copy = copy_in_format(picture, world.screen->format);
  if (!copy) return;
  SDL_SetColorKey(copy, SDL_SRCCOLORKEY, magenta(copy));
  blit_centred(copy, at, view);
  SDL_FreeSurface(copy);
}

void draw_unit(Unit& unit, const SDL_Rect& view) {
  if (!unit.image) {
    fill_square(unit.pos, 16, view);
    return;
  }
  // rotozoomSurface fills the copy's corners with the key of its source.
  SDL_SetColorKey(unit.image, colour_key_flags, magenta(unit.image));
  SDL_Surface* turned = rotozoomSurface(unit.image, static_cast<double>(unit.heading), 1.0, 0);
  if (!turned) {
    // Better unturned than invisible; SDL converts it, in colours near enough.
    blit_centred(unit.image, unit.pos, view);
    return;
  }
  // The copy comes marked for per-surface alpha, fully opaque. Blitted so, sdl12-compat
  // takes a slow general blitter (a 32-bit frame then costs nearly three times as much),
  // and onto an 8-bit screen draws a keyed copy not at all. Unmarked, it is a plain keyed
  // copy on both libraries.
  SDL_SetAlpha(turned, 0, SDL_ALPHA_OPAQUE);
  draw_keyed(turned, unit.pos, view);
  SDL_FreeSurface(turned);
}

void draw_shot(Shot& shot, const SDL_Rect& view) {
  if (!shot.image) {
    fill_square(shot.pos, 6, view);
    return;
  }
  draw_keyed(shot.image, shot.pos, view);
}

}  // namespace

void draw_frame(SDL_Surface* map, Player& player) {
  place_view(map, player);
  SDL_UpperBlit(map, &player.view, world.screen, nullptr);
  for (Unit* unit : world.units) draw_unit(*unit, player.view);
  for (Shot* shot : world.shots) draw_shot(*shot, player.view);
}
