// Applying a full snapshot of 63 records: to 63 known units, and as 63 new ones.
//
// The lines apply_snapshot prints go to /dev/null while timing, so the terminal's speed
// is not what is measured. Run from the folder that holds gfx/:
// build/bench/apply_snapshot_bench

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/world.h"
#include "net/apply_snapshot.h"
#include "view/screen_size.h"

namespace {

// 63 records with ids from `first_id`, spread over the map, at a plausible speed.
std::vector<UnitRecord> full_snapshot(int16_t first_id) {
  std::vector<UnitRecord> records;
  for (int i = 0; i < snapshot_max_records; ++i)
    records.push_back(UnitRecord{100.0f + 20 * i, 300.0f, static_cast<int16_t>(i * 5), 5,
                                 static_cast<int16_t>(i % 9 - 1),
                                 static_cast<int16_t>(first_id + i)});
  return records;
}

// Sends stdout to /dev/null while it lives.
class SilencedStdout {
 public:
  SilencedStdout() {
    std::fflush(stdout);
    saved_ = dup(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~SilencedStdout() {
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }

 private:
  int saved_;
};

void apply_to_known_units(benchmark::State& state) {
  const std::vector<UnitRecord> records = full_snapshot(1);
  SilencedStdout quiet;
  apply_snapshot(records.data(), snapshot_max_records);
  for (auto _ : state) apply_snapshot(records.data(), snapshot_max_records);
  world.clear();
}
BENCHMARK(apply_to_known_units)->Unit(benchmark::kMicrosecond);

// Each new unit loads its own picture from disk, as the game does.
void apply_as_new_units(benchmark::State& state) {
  const std::vector<UnitRecord> records = full_snapshot(1);
  SilencedStdout quiet;
  for (auto _ : state) {
    apply_snapshot(records.data(), snapshot_max_records);
    state.PauseTiming();
    world.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(apply_as_new_units)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0 ||
      !SDL_SetVideoMode(screen_width, screen_height, 32, SDL_SWSURFACE)) {
    std::fprintf(stderr, "cannot open the dummy screen: %s\n", SDL_GetError());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  SDL_Quit();
  return 0;
}
