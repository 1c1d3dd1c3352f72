// What a picture's structure check costs beside its load: the check alone on each of the
// game's pictures in memory, a good picture's whole load, and a damaged file's refusal.
// Run from the folder that holds gfx/.

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "damaged_picture.h"
#include "units/picture.h"
#include "units/picture_structure.h"

namespace {

const char* const game_pictures[] = {"gfx/map1.png",     "gfx/tank.png",        "gfx/aa_tank.png",
                                     "gfx/airplane.png", "gfx/commander.png",   "gfx/cruiser.png",
                                     "gfx/ducky.png",    "gfx/explosion.png",   "gfx/infantry.png",
                                     "gfx/saboteur.png", "gfx/unknownenemy.png"};

std::vector<unsigned char> file_bytes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The check alone, on the bytes the loader has just read.
void BM_StructureCheck(benchmark::State& state) {
  const char* path = game_pictures[state.range(0)];
  const std::vector<unsigned char> bytes = file_bytes(path);
  state.SetLabel(path);
  std::string reason;
  for (auto _ : state) {
    const bool sound = picture_structure_sound(bytes.data(), bytes.size(), reason);
    benchmark::DoNotOptimize(sound);
    if (!sound) state.SkipWithError("a picture of the game's is refused");
  }
}
BENCHMARK(BM_StructureCheck)->DenseRange(0, 10)->Unit(benchmark::kNanosecond);

// A whole load, as the map at start-up and a unit's picture at its creation.
void BM_GoodPictureLoad(benchmark::State& state) {
  const char* path = game_pictures[state.range(0)];
  state.SetLabel(path);
  for (auto _ : state) {
    SDL_Surface* picture = load_xrgb_picture(path);
    if (!picture) state.SkipWithError("run from the folder that holds gfx/");
    SDL_FreeSurface(picture);
  }
}
BENCHMARK(BM_GoodPictureLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The refusal of a PNG whose chunk runs past the end of the file.
void BM_DamagedPictureRefused(benchmark::State& state) {
  const std::string path = "/tmp/quorvale-bench-damaged-" + std::to_string(getpid()) + ".png";
  std::ofstream(path, std::ios::binary) << test_support::png_with_an_overlong_chunk();
  for (auto _ : state) {
    SDL_Surface* picture = load_xrgb_picture(path.c_str());
    if (picture) state.SkipWithError("the damaged file was loaded");
    SDL_FreeSurface(picture);
  }
  unlink(path.c_str());
}
BENCHMARK(BM_DamagedPictureRefused)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
