#include "units/terrain.h"

#include "units/picture.h"

SDL_Surface* load_terrain_map(const char* game_path) { return load_xrgb_picture(game_path); }

Uint32 map_pixel(SDL_Surface* map, int32_t x, int32_t y) {
  if (x < 0 || x >= map->w || y < 0 || y >= map->h) return 0;
  SDL_LockSurface(map);
  const Uint32 pixel = static_cast<const Uint32*>(map->pixels)[x + y * (map->pitch / 4)];
  SDL_UnlockSurface(map);
  return pixel;
}
