/*
 * Snapshots of the simulated world, one per tick at a given rate.
 *
 * Each tick advances the world by the 50 ms steps of simulated time that fit into
 * the ticks so far, so at 10 Hz every tick is exactly two client steps. Owns the
 * world; the map must outlive it. Single thread.
 */
#pragma once

#include <cstdint>

#include "server/simulated_world.h"
#include "server/snapshot_source.h"
#include "server/terrain_map.h"
#include "units/step_interval.h"

class SimulationSource : public SnapshotSource {
 public:
  static constexpr int64_t step_microseconds = int64_t{step_interval_ms} * 1000;

  // A world of `unit_count` units on `map`, reported `rate_hz` times a second.
  SimulationSource(const TerrainMap& map, int unit_count, uint64_t seed, double rate_hz);

  // The first call gives the starting world; each later call advances it one tick.
  bool next(SnapshotMessage& message, std::string& error) override;

 private:
  int64_t tick_microseconds_;
  int64_t carried_microseconds_ = 0;
  bool started_ = false;
  SimulatedWorld world_;
};
