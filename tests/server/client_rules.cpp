#include "tests/server/client_rules.h"

#include <cmath>

#include "units/terrain.h"

std::optional<ClientTypeRule> client_rule(int type) {
  switch (type) {
    case -1:
      return ClientTypeRule{0, 0, 0};
    case 0:
      return ClientTypeRule{-4, 6, land_pixel};
    case 1:
      return ClientTypeRule{-6, 12, land_pixel};
    case 2:
      return ClientTypeRule{5, 25, 0};
    case 3:
      return ClientTypeRule{-5, 10, water_pixel};
    case 4:
      return ClientTypeRule{-6, 12, land_pixel};
    case 5:
      return ClientTypeRule{-6, 8, land_pixel};
    case 6:
      return ClientTypeRule{-5, 15, water_pixel};
    case 7:
      return ClientTypeRule{-100, 100, 0};
    default:
      return std::nullopt;
  }
}

bool stands_on_its_terrain(SDL_Surface* map, const ClientTypeRule& rule, float x, float y) {
  return rule.terrain == 0 || map_pixel(map, static_cast<int32_t>(std::trunc(x)),
                                        static_cast<int32_t>(std::trunc(y))) == rule.terrain;
}

void client_step(SDL_Surface* map, const ClientTypeRule& rule, int heading, int speed, float& x,
                 float& y) {
  const float angle = float(heading * 0.01745329238474369);
  const float dx = float(float(sin(angle)) * speed);
  const float dy = float(float(cos(angle)) * speed);
  const int32_t probe_x = int32_t(std::trunc(x)) - int32_t(std::trunc(dx));
  const int32_t probe_y = int32_t(std::trunc(y)) - int32_t(std::trunc(dy));
  if (rule.terrain != 0 && map_pixel(map, probe_x, probe_y) != rule.terrain) return;
  x -= dx;
  y -= dy;
}
