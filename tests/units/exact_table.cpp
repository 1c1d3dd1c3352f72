// Prints what this build computes for one step of a unit at every heading from 0 to 359 and
// every speed from -100 to 100, and for a projectile's first steps toward every point of a
// grid around its start: the raw bits of each float, a line each. Two builds (Linux and
// Windows, two runtime libraries) are compared by comparing their tables.
// Run from the folder that holds gfx/ (the pictures are loaded, not needed).

#include <SDL/SDL.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "units/clock.h"
#include "units/shot.h"
#include "units/unit.h"
#include "units/unit_types.h"

namespace {

Uint32 now = 0;
Uint32 read_now() { return now; }

uint32_t bits(float value) {
  uint32_t raw;
  std::memcpy(&raw, &value, sizeof raw);
  return raw;
}

uint64_t bits(double value) {
  uint64_t raw;
  std::memcpy(&raw, &value, sizeof raw);
  return raw;
}

void print_unit_steps() {
  // The commander goes anywhere, at -100 to 100: every speed is its own.
  Unit unit(UnitRecord{0, 0, 0, 0, commander, 1});
  for (int heading = 0; heading < 360; ++heading) {
    for (int speed = -100; speed <= 100; ++speed) {
      unit.x = 1000.5f;
      unit.y = 1000.25f;
      unit.heading = static_cast<int16_t>(heading);
      unit.speed = static_cast<int16_t>(speed);
      now += 50;
      unit.step(nullptr);
      std::printf("unit %d %d %08" PRIx32 " %08" PRIx32 "\n", heading, speed, bits(unit.x),
                  bits(unit.y));
    }
  }
}

void print_shot_steps() {
  constexpr int reach = 60;
  constexpr int16_t start = 1000;
  for (int dy = -reach; dy <= reach; dy += 3) {
    for (int dx = -reach; dx <= reach; dx += 3) {
      Shot shot(projectile, 5, 0, start, start, static_cast<int16_t>(start + dx),
                static_cast<int16_t>(start + dy));
      for (int step = 0; step < 3; ++step) {
        now += 50;
        shot.step();
      }
      std::printf("shot %d %d %016" PRIx64 " %08" PRIx32 " %08" PRIx32 "\n", dx, dy,
                  bits(shot.heading), bits(shot.x), bits(shot.y));
    }
  }
}

}  // namespace

int main(int, char**) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "exact_table: cannot start SDL (%s)\n", SDL_GetError());
    return 1;
  }
  game_ticks = read_now;
  print_unit_steps();
  print_shot_steps();
  SDL_Quit();
  return 0;
}
