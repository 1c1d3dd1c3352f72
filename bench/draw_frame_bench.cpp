// A frame of 63 units and 100 or 500 shots on a dummy screen of 8, 16, 24 or 32 bits:
// draw_frame beside the library calls alone that such a frame needs, measured in the same
// run. At exit it prints how many frames each drew, for counting instructions per frame.
#include <SDL/SDL.h>
#include <SDL/SDL_rotozoom.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/world.h"
#include "units/picture_format.h"
#include "units/shot.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/player.h"

namespace {

SDL_Surface* terrain_map = nullptr;
SDL_Surface* drawn_map = nullptr;
int open_depth = 0;
long frames_of_draw_frame = 0;
long frames_of_library_calls = 0;

void close_world() {
  world.clear();
  SDL_FreeSurface(drawn_map);
  SDL_FreeSurface(terrain_map);
  drawn_map = terrain_map = nullptr;
  SDL_Quit();
  open_depth = 0;
}

// Opens the dummy screen at `depth` bits, as the game does, and fills the World with 63
// units of every type at many headings around the view's centre.
bool open_world(int depth) {
  if (open_depth == depth) return true;
  if (open_depth != 0) close_world();
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
  open_depth = depth;
  world.screen = SDL_SetVideoMode(screen_width, screen_height, depth, SDL_SWSURFACE);
  terrain_map = load_terrain_map("gfx\\map1.png");
  if (!world.screen || !terrain_map) return false;
  drawn_map = display_format_copy(terrain_map);
  if (!drawn_map) return false;
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

// Screen depth and shot count from the benchmark's arguments.
bool set_up(benchmark::State& state) {
  if (!open_world(static_cast<int>(state.range(0)))) {
    state.SkipWithError("cannot open the dummy screen or gfx/map1.png");
    return false;
  }
  list_shots(static_cast<int>(state.range(1)));
  return true;
}

void draw_frame_whole(benchmark::State& state) {
  if (!set_up(state)) return;
  Player player;
  player.select_unit(31);
  for (auto _ : state) draw_frame(drawn_map, player);
  benchmark::DoNotOptimize(world.screen->pixels);
  frames_of_draw_frame += static_cast<long>(state.iterations());
}

// The same frame written as the bare library calls it needs: the map copy from its copy in
// the screen's format, then per unit a colour key, a turned copy, its colour key, a blit
// (SDL converting the copy for the screen) and a free; per shot a colour key and a blit.
// Kept out of line so callgrind can count it on its own.
__attribute__((noinline)) void draw_with_library_calls_alone(const SDL_Rect& view) {
  SDL_Rect source = view;
  SDL_UpperBlit(drawn_map, &source, world.screen, nullptr);
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
    SDL_SetColorKey(shot->image, SDL_SRCCOLORKEY | SDL_RLEACCEL,
                    SDL_MapRGB(shot->image->format, 255, 0, 255));
    SDL_Rect dest{static_cast<Sint16>(shot->pos.x - view.x - shot->image->w / 2),
                  static_cast<Sint16>(shot->pos.y - view.y - shot->image->h / 2), 0, 0};
    SDL_UpperBlit(shot->image, nullptr, world.screen, &dest);
  }
}

void library_calls_alone(benchmark::State& state) {
  if (!set_up(state)) return;
  const Unit& centre = *world.units[31];
  const SDL_Rect view{static_cast<Sint16>(centre.pos.x - 320),
                      static_cast<Sint16>(centre.pos.y - 240), 640, 480};
  for (auto _ : state) draw_with_library_calls_alone(view);
  benchmark::DoNotOptimize(world.screen->pixels);
  frames_of_library_calls += static_cast<long>(state.iterations());
}

// Each depth with 100 shots, then 32 bits with 500: the two ways of drawing side by side,
// so that the screen is opened once per depth.
void register_benchmarks() {
  struct Way {
    const char* name;
    void (*function)(benchmark::State&);
  };
  const int cases[][2] = {{8, 100}, {16, 100}, {24, 100}, {32, 100}, {32, 500}};
  for (const auto& arguments : cases)
    for (const Way& way : {Way{"draw_frame_whole", draw_frame_whole},
                           Way{"library_calls_alone", library_calls_alone}})
      benchmark::RegisterBenchmark(way.name, way.function)
          ->Args({arguments[0], arguments[1]})
          ->ArgNames({"depth", "shots"})
          ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  register_benchmarks();
  benchmark::RunSpecifiedBenchmarks();
  std::fprintf(stderr, "frames drawn: draw_frame %ld, library calls alone %ld\n",
               frames_of_draw_frame, frames_of_library_calls);
  if (open_depth != 0) close_world();
  return 0;
}
