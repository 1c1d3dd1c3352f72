#include "core/world.h"
#include "units/clock.h"
#include "units/shot.h"
#include "units/unit.h"

void Unit::fire(int weapon, int32_t target_x, int32_t target_y) {
  const Uint32 now = game_ticks();
  const int w = weapon == 0 ? 0 : 1;
  if (!interval_passed(now, last_fire[w], reload[w])) return;
  last_fire[w] = game_ticks();
  // The projectile keeps the low 16 bits of the target.
  world.shots.push_back(new Shot(projectile, 5, 0, static_cast<int16_t>(pos.x),
                                 static_cast<int16_t>(pos.y), static_cast<int16_t>(target_x),
                                 static_cast<int16_t>(target_y)));
}
