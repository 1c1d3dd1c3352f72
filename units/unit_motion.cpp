#include "units/unit_motion.h"

#include <cmath>

#include "units/angles.h"
#include "units/truncate.h"

namespace {

void apply_throttle(UnitMotion& u) {
  const MotionLimits& limits = u.limits;
  switch (u.throttle) {
    case 1:
      u.speed += limits.accel;
      if (u.speed >= limits.max_speed) u.speed = limits.max_speed;
      break;
    case -1:
      u.speed -= limits.decel;
      if (u.speed < limits.min_speed) u.speed = limits.min_speed;
      break;
    case -2:
      // A unit that can reverse brakes to 0 and no further; the others to min_speed.
      if (u.speed > limits.min_speed) u.speed -= limits.decel;
      if (limits.min_speed < 0 && u.speed < 0) u.speed = 0;
      if (u.speed < limits.min_speed) u.speed = limits.min_speed;
      break;
    default:
      break;
  }
}

// Heading arithmetic is 16-bit, with the low 16 bits of the turn rate.
void apply_turn(UnitMotion& u) {
  const int16_t rate = static_cast<int16_t>(u.limits.turn_rate);
  if (u.turn == -1) {
    u.heading = static_cast<int16_t>(u.heading + rate);
    if (u.heading >= 360) u.heading = static_cast<int16_t>(u.heading - 360);
  } else if (u.turn == 1) {
    u.heading = static_cast<int16_t>(u.heading - rate);
    if (u.heading < 0) u.heading = static_cast<int16_t>(u.heading + 360);
  }
}

}  // namespace

bool may_enter(Terrain terrain, const MapPixels& map, int32_t x, int32_t y) {
  if (terrain == any) return true;
  return map.pixel(x, y) == (terrain == land ? land_pixel : water_pixel);
}

UnitMotion steady_motion(int type, float x, float y, int16_t heading, int32_t speed) {
  const UnitTypeRow& row = unit_type_row(type);
  const MotionLimits limits{row.min_speed, row.max_speed, row.accel,
                            row.decel,     row.turn_rate, row.terrain};
  return {x, y, truncate_to_i16(x), truncate_to_i16(y), heading, speed, 0, 0, limits};
}

bool take_step(UnitMotion& motion, const MapPixels& map) {
  apply_throttle(motion);
  apply_turn(motion);
  // Single precision throughout, rounded where a float is stored.
  const float angle = static_cast<float>(motion.heading * degrees_to_radians);
  const float dx =
      static_cast<float>(std::sin(static_cast<double>(angle))) * static_cast<float>(motion.speed);
  const float dy =
      static_cast<float>(std::cos(static_cast<double>(angle))) * static_cast<float>(motion.speed);
  // The probe is the 16-bit position moved by each truncated displacement.
  const bool moves = may_enter(motion.limits.terrain, map, motion.pos_x - truncate_to_i32(dx),
                               motion.pos_y - truncate_to_i32(dy));
  if (moves) {
    motion.x -= dx;
    motion.y -= dy;
  }
  motion.pos_x = truncate_to_i16(motion.x);
  motion.pos_y = truncate_to_i16(motion.y);
  return moves;
}
