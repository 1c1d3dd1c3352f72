#include "server/simulation_source.h"

#include <cmath>

namespace {

// The length of one tick at this rate.
int64_t microseconds_per_tick(double rate_hz) { return std::llround(1e6 / rate_hz); }

// The world for these options, looking ahead as many steps as one tick can hold.
WorldSettings settings_for(int unit_count, uint64_t seed, double rate_hz) {
  const int64_t tick = microseconds_per_tick(rate_hz);
  const int64_t step = SimulationSource::step_microseconds;
  return {unit_count, seed, static_cast<int>((tick + step - 1) / step)};
}

}  // namespace

SimulationSource::SimulationSource(const TerrainMap& map, int unit_count, uint64_t seed,
                                   double rate_hz)
    : tick_microseconds_(microseconds_per_tick(rate_hz)),
      world_(map, settings_for(unit_count, seed, rate_hz)) {}

bool SimulationSource::next(SnapshotMessage& message, std::string&) {
  if (started_) {
    carried_microseconds_ += tick_microseconds_;
    const int64_t steps = carried_microseconds_ / step_microseconds;
    carried_microseconds_ -= steps * step_microseconds;
    world_.advance(static_cast<int>(steps));
  }
  started_ = true;
  world_.encode(message);
  return true;
}
