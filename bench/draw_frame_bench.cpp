// A frame of 63 units and 100 or 500 shots on a 32-bit screen: draw_frame beside the library
// calls alone that such a frame needs, measured in the same run.
#include <SDL/SDL.h>
#include <SDL/SDL_rotozoom.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "core/world.h"
#include "units/shot.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/player.h"

namespace {

SDL_Surface* map = nullptr;

// Lists `count` shots in the view, one in five an explosion.
void list_shots(int count) {
  while (!world.shots.empty()) world.remove_shot(world.shots.size() - 1);
  for (int i = 0; i < count; ++i) {
    const int16_t x = static_cast<int16_t>(490 + 6 * (i % 100));
    const int16_t y = static_cast<int16_t>(380 + 4 * (i % 100) + 3 * (i / 100));
    world.shots.push_back(i % 5 == 0 ? new Shot(explosion, 0, 10, x, y, x, y)
                                     : new Shot(projectile, 5, 0, x, y, 0, 0));
  }
}

// Opens the dummy screen and fills the World with 63 units of every type at many headings
// around the view's centre.
bool set_up_world() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  world.screen = SDL_SetVideoMode(screen_width, screen_height, 32, SDL_SWSURFACE);
  map = load_terrain_map("gfx\\map1.png");
  if (!world.screen || !map) return false;
  for (int16_t i = 0; i < 63; ++i) {
    const UnitRecord record{500.0f + 70 * (i % 9),
                            400.0f + 60 * (i / 9),
                            static_cast<int16_t>(i * 37 % 360),
                            0,
                            static_cast<int16_t>(i % 9 - 1),
                            i};
    world.units.push_back(new Unit(record));
  }
  return true;
}

void draw_frame_whole(benchmark::State& state) {
  list_shots(static_cast<int>(state.range(0)));
  Player player;
  player.select_unit(31);
  for (auto _ : state) draw_frame(map, player);
  benchmark::DoNotOptimize(world.screen->pixels);
}

// The same frame written as the bare library calls it needs: the map copy, then per
// unit a colour key, a turned copy, its colour key, a blit and a free; per shot a
// colour key and a blit. Kept out of line so callgrind can count it on its own.
__attribute__((noinline)) void draw_with_library_calls_alone(const SDL_Rect& view) {
  SDL_Rect source = view;
  SDL_UpperBlit(map, &source, world.screen, nullptr);
  for (Unit* unit : world.units) {
    SDL_SetColorKey(unit->image, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0xFF00FF);
    SDL_Surface* turned = rotozoomSurface(unit->image, unit->heading, 1.0, 0);
    SDL_SetColorKey(turned, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0xFF00FF);
    SDL_Rect dest{static_cast<Sint16>(unit->pos.x - view.x - turned->w / 2),
                  static_cast<Sint16>(unit->pos.y - view.y - turned->h / 2), 0, 0};
    SDL_UpperBlit(turned, nullptr, world.screen, &dest);
    SDL_FreeSurface(turned);
  }
  for (Shot* shot : world.shots) {
    SDL_SetColorKey(shot->image, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0xFF00FF);
    SDL_Rect dest{static_cast<Sint16>(shot->pos.x - view.x - shot->image->w / 2),
                  static_cast<Sint16>(shot->pos.y - view.y - shot->image->h / 2), 0, 0};
    SDL_UpperBlit(shot->image, nullptr, world.screen, &dest);
  }
}

void library_calls_alone(benchmark::State& state) {
  list_shots(static_cast<int>(state.range(0)));
  const Unit& centre = *world.units[31];
  const SDL_Rect view{static_cast<Sint16>(centre.pos.x - 320),
                      static_cast<Sint16>(centre.pos.y - 240), 640, 480};
  for (auto _ : state) draw_with_library_calls_alone(view);
  benchmark::DoNotOptimize(world.screen->pixels);
}

BENCHMARK(draw_frame_whole)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(library_calls_alone)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!set_up_world()) {
    std::fprintf(stderr,
                 "draw_frame_bench: cannot open the dummy screen or gfx/map1.png; "
                 "run it from the folder that holds gfx/\n");
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  world.clear();
  SDL_FreeSurface(map);
  SDL_Quit();
  return 0;
}
