#include "view/draw_frame.h"

#include <SDL/SDL_rotozoom.h>

#include <cstdint>

#include "core/world.h"
#include "units/shot.h"
#include "units/unit.h"
#include "view/player.h"

namespace {

constexpr Uint32 colour_key_flags = SDL_SRCCOLORKEY | SDL_RLEACCEL;

// Magenta as this surface stores it. Every picture we draw is in the 0x00RRGGBB layout
// or loaded as the file holds it, so mapping through the picture's own format is what
// makes the key match at any display depth (on a 32-bit display it is the screen's).
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

void draw_unit(Unit& unit, const SDL_Rect& view) {
  if (!unit.image) {
    fill_square(unit.pos, 16, view);
    return;
  }
  SDL_SetColorKey(unit.image, colour_key_flags, magenta(unit.image));
  SDL_Surface* turned = rotozoomSurface(unit.image, static_cast<double>(unit.heading), 1.0, 0);
  if (!turned) {
    // Better unturned than invisible.
    blit_centred(unit.image, unit.pos, view);
    return;
  }
  SDL_SetColorKey(turned, colour_key_flags, magenta(turned));
  blit_centred(turned, unit.pos, view);
  SDL_FreeSurface(turned);
}

void draw_shot(Shot& shot, const SDL_Rect& view) {
  if (!shot.image) {
    fill_square(shot.pos, 6, view);
    return;
  }
  SDL_SetColorKey(shot.image, colour_key_flags, magenta(shot.image));
  blit_centred(shot.image, shot.pos, view);
}

}  // namespace

void draw_frame(SDL_Surface* map, Player& player) {
  place_view(map, player);
  SDL_UpperBlit(map, &player.view, world.screen, nullptr);
  for (Unit* unit : world.units) draw_unit(*unit, player.view);
  for (Shot* shot : world.shots) draw_shot(*shot, player.view);
}
