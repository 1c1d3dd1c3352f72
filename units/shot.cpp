#include "units/shot.h"

#include <cmath>

#include "units/angles.h"
#include "units/clock.h"
#include "units/picture.h"
#include "units/picture_format.h"
#include "units/step_interval.h"
#include "units/truncate.h"

namespace {

// Four red pixels, as the screen stores them.
SDL_Surface* make_projectile_picture() {
  SDL_Surface* picture = SDL_CreateRGBSurface(0, 2, 2, 32, 0, 0, 0, 0);
  if (!picture) return nullptr;
  Uint32* pixels = static_cast<Uint32*>(picture->pixels);
  for (int i = 0; i < 4; ++i) pixels[i] = 0xFF0000;
  return into_display_format(picture);
}

// Path length truncated to whole pixels. The squares are summed in 64 bits: two 16-bit
// points can be further apart than a 32-bit sum of squares holds.
int32_t path_length(int32_t dx, int32_t dy) {
  const int64_t squares = static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy;
  return static_cast<int32_t>(std::sqrt(static_cast<double>(squares)));
}

}  // namespace

Shot::Shot(int shot_kind, int shot_speed, int life, int16_t start_x, int16_t start_y,
           int16_t target_x, int16_t target_y) {
  x = start_x;
  y = start_y;
  pos = SDL_Rect{start_x, start_y, 0, 0};
  start = SDL_Rect{start_x, start_y, 0, 0};
  target = SDL_Rect{target_x, target_y, 0, 0};
  speed = shot_speed;
  heading = heading_toward(int32_t{target_x} - start_x, int32_t{target_y} - start_y);
  range_left =
      speed != 0 ? path_length(int32_t{start_x} - target_x, int32_t{start_y} - target_y) : life;
  kind = shot_kind;
  last_step = game_ticks();
  image = kind == projectile ? make_projectile_picture() : load_shot_picture("gfx\\explosion.png");
}

ShotEvent Shot::step() {
  ShotEvent event{-1, 0, 0, 0, 0, 0, 0};
  if (!interval_passed(game_ticks(), last_step, step_interval_ms)) return event;
  last_step = game_ticks();
  range_left -= speed != 0 ? speed : 1;
  if (range_left <= -speed) {
    if (kind == projectile) {
      // The explosion takes over where the projectile stands, without a last move.
      return ShotEvent{explosion,
                       0,
                       10,
                       static_cast<int16_t>(pos.x),
                       static_cast<int16_t>(pos.y),
                       static_cast<int16_t>(pos.x + 1),
                       static_cast<int16_t>(pos.y + 1)};
    }
    event.action = 0;
  }
  const double radians = heading * degrees_to_radians;
  x = static_cast<float>(x - static_cast<float>(std::sin(radians) * speed));
  y = static_cast<float>(y - static_cast<float>(std::cos(radians) * speed));
  pos.x = truncate_to_i16(x);
  pos.y = truncate_to_i16(y);
  return event;
}
