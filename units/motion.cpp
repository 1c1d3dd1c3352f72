#include <cmath>

#include "units/clock.h"
#include "units/terrain.h"
#include "units/truncate.h"
#include "units/unit.h"
#include "units/unit_types.h"

namespace {

// pi/180 rounded to single precision, used as a double.
constexpr double degrees_to_radians = 0.01745329238474369;

void apply_throttle(Unit& u) {
  switch (u.throttle) {
    case 1:
      u.speed += u.accel;
      if (u.speed >= u.max_speed) u.speed = u.max_speed;
      break;
    case -1:
      u.speed -= u.decel;
      if (u.speed < u.min_speed) u.speed = u.min_speed;
      break;
    case -2:
      // A unit that can reverse brakes to 0 and no further; the others to min_speed.
      if (u.speed > u.min_speed) u.speed -= u.decel;
      if (u.min_speed < 0 && u.speed < 0) u.speed = 0;
      if (u.speed < u.min_speed) u.speed = u.min_speed;
      break;
    default:
      break;
  }
}

// Heading arithmetic is 16-bit, with the low 16 bits of the turn rate.
void apply_turn(Unit& u) {
  const int16_t rate = static_cast<int16_t>(u.turn_rate);
  if (u.turn == -1) {
    u.heading = static_cast<int16_t>(u.heading + rate);
    if (u.heading >= 360) u.heading = static_cast<int16_t>(u.heading - 360);
  } else if (u.turn == 1) {
    u.heading = static_cast<int16_t>(u.heading - rate);
    if (u.heading < 0) u.heading = static_cast<int16_t>(u.heading + 360);
  }
}

// The terrain test looks at the integer position moved by each truncated displacement.
bool may_enter(const Unit& u, SDL_Surface* map, float dx, float dy) {
  if (u.terrain == any) return true;
  const Uint32 wanted = u.terrain == land ? land_pixel : water_pixel;
  const int32_t column = u.pos.x - truncate_to_i32(dx);
  const int32_t row = u.pos.y - truncate_to_i32(dy);
  return map_pixel(map, column, row) == wanted;
}

}  // namespace

void Unit::step(SDL_Surface* map) {
  if (!interval_passed(game_ticks(), last_step, 50)) return;
  last_step = game_ticks();
  apply_throttle(*this);
  apply_turn(*this);
  // Single precision throughout, rounded where a float is stored.
  const float angle = static_cast<float>(heading * degrees_to_radians);
  const float dx =
      static_cast<float>(std::sin(static_cast<double>(angle))) * static_cast<float>(speed);
  const float dy =
      static_cast<float>(std::cos(static_cast<double>(angle))) * static_cast<float>(speed);
  if (may_enter(*this, map, dx, dy)) {
    x -= dx;
    y -= dy;
  }
  pos.x = truncate_to_i16(x);
  pos.y = truncate_to_i16(y);
}
