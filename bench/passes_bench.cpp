// The per-frame cost of the unit pass (63 units) and the shot pass (500 shots, 250 of
// each kind), with the game's clock moved 50 ms per iteration so every step is due.
// Run from the folder that holds gfx/: units and explosions load their pictures there.

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "core/frame_loop.h"
#include "core/shot_pass.h"
#include "core/world.h"
#include "scratch_folder.h"
#include "units/clock.h"
#include "units/picture.h"
#include "units/shot.h"
#include "units/terrain.h"
#include "units/unit.h"

namespace {

Uint32 bench_now = 0;
Uint32 read_bench_now() { return bench_now; }

constexpr int unit_count = 63;
constexpr int shots_of_each_kind = 250;

// True if the pictures are where the game looks for them; otherwise the run is skipped.
bool pictures_found(benchmark::State& state) {
  SDL_Surface* probe = load_picture_as_is("gfx\\explosion.png");
  if (!probe) {
    state.SkipWithError("run from the folder that holds gfx/");
    return false;
  }
  SDL_FreeSurface(probe);
  return true;
}

// 63 units of every type spread over the game's map, all turning, so every step reads
// the clock, throttles, turns, takes a sine and a cosine and (for land and water units)
// reads one map pixel.
void BM_UnitPass(benchmark::State& state) {
  if (!pictures_found(state)) return;
  game_ticks = read_bench_now;
  SDL_Surface* map = load_terrain_map("gfx\\map1.png");
  if (!map) {
    state.SkipWithError("cannot load the map picture");
    return;
  }
  std::srand(1);
  for (int i = 0; i < unit_count; ++i) {
    const UnitRecord record{
        static_cast<float>(std::rand() % map->w), static_cast<float>(std::rand() % map->h),
        static_cast<int16_t>(std::rand() % 360),  static_cast<int16_t>(1 + std::rand() % 10),
        static_cast<int16_t>(i % 9 - 1),          static_cast<int16_t>(i)};
    Unit* unit = new Unit(record);
    unit->turn = -1;
    world.units.push_back(unit);
  }
  for (auto _ : state) {
    bench_now += 50;
    run_unit_pass(map);
  }
  world.clear();
  SDL_FreeSurface(map);
}
BENCHMARK(BM_UnitPass)->Unit(benchmark::kMicrosecond);

// Lists 250 projectiles and 250 explosions, alternating, along a 1000-pixel row. A
// projectile aims `flight` pixels to its right; an explosion has `life` steps.
void list_shots(int flight, int life) {
  for (int i = 0; i < shots_of_each_kind; ++i) {
    const int16_t x = static_cast<int16_t>(i * 4), y = 100;
    world.shots.push_back(new Shot(projectile, 5, 0, x, y, static_cast<int16_t>(x + flight), y));
    world.shots.push_back(new Shot(explosion, 0, life, x, y, static_cast<int16_t>(x + 1),
                                   static_cast<int16_t>(y + 1)));
  }
}

// Every shot steps and every explosion shakes, but none ends: the frame of a quiet sky.
void BM_ShotPassNoneEnding(benchmark::State& state) {
  if (!pictures_found(state)) return;
  game_ticks = read_bench_now;
  std::srand(1);
  list_shots(30000, 10);
  // Paths and lives too long to run out however many iterations the library asks for.
  for (Shot* shot : world.shots) shot->range_left = INT32_MAX / 2;
  for (auto _ : state) {
    bench_now += 50;
    run_shot_pass();
  }
  world.clear();
}
BENCHMARK(BM_ShotPassNoneEnding)->Unit(benchmark::kMicrosecond);

// Every shot ends in this frame: 250 projectiles each give way to a new explosion (which
// loads its picture) and 250 explosions are removed. With Arg 0 the pass runs in a folder
// without gfx/, so each new explosion's picture load fails at once: the difference between
// the two is what loading the explosion picture costs.
void BM_ShotPassAllEnding(benchmark::State& state) {
  if (!pictures_found(state)) return;
  game_ticks = read_bench_now;
  std::srand(1);
  const bool picture_found = state.range(0) != 0;
  std::optional<test_support::ScratchFolder> no_gfx;
  try {
    if (!picture_found) no_gfx.emplace("quorvale-bench", test_support::ScratchFolder::Entry::enter);
  } catch (const std::runtime_error& failure) {
    state.SkipWithError(failure.what());
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    world.clear();
    list_shots(0, 1);  // aimed at its own start: ends on its first step
    bench_now += 50;
    state.ResumeTiming();
    run_shot_pass();
  }
  world.clear();
}
BENCHMARK(BM_ShotPassAllEnding)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// One load of the explosion picture, as every new explosion does.
void BM_ExplosionPictureLoad(benchmark::State& state) {
  if (!pictures_found(state)) return;
  for (auto _ : state) SDL_FreeSurface(load_shot_picture("gfx\\explosion.png"));
}
BENCHMARK(BM_ExplosionPictureLoad)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
