#include "core/shot_pass.h"

#include <cstdlib>

#include "core/world.h"
#include "units/shot.h"

namespace {

// x moves by -1, 0 or +1 and y by -1 or 0: an explosion never shakes downward.
void shake(Shot& shot) {
  shot.pos.x = static_cast<int16_t>(shot.pos.x + (std::rand() % 3 - 1));
  shot.pos.y = static_cast<int16_t>(shot.pos.y + (std::rand() % 2 - 1));
}

}  // namespace

void run_shot_pass() {
  std::size_t position = 0;
  while (position < world.shots.size()) {
    Shot& shot = *world.shots[position];
    if (shot.kind == explosion) shake(shot);
    const ShotEvent event = shot.step();
    if (event.action < 0) {
      ++position;
      continue;
    }
    world.remove_shot(position);
    if (event.action > 0)
      world.shots.push_back(new Shot(event.action, event.speed, event.life, event.start_x,
                                     event.start_y, event.target_x, event.target_y));
  }
}
