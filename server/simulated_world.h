/*
 * The simulated world the server reports: a fixed number of units of every kind,
 * moving on the map in 50 ms steps exactly as the client will move them.
 *
 * Between ticks each unit keeps the heading and speed it was last reported with;
 * only at a tick boundary does it turn, change speed, or get replaced by a newcomer
 * under a fresh id. Everything follows from the seed. The world reads the map it
 * was given, which must outlive it. Single thread.
 */
#pragma once

#include <cstdint>
#include <vector>

#include "net/snapshot_format.h"
#include "server/seeded_random.h"
#include "server/steering.h"
#include "server/terrain_map.h"
#include "server/unit_kinds.h"

struct WorldSettings {
  int unit_count = 12;
  uint64_t seed = 1;
  // The most 50 ms steps one tick can hold; courses are checked that far ahead.
  int steps_per_tick_max = 2;
};

struct WorldUnit {
  int16_t id;
  int16_t type;
  float x;
  float y;
  Course course;
  // Steps left before the unit considers a turn of its own accord.
  int steps_to_turn;
};

class SimulatedWorld {
 public:
  // Places the units, a few in the first view, every kind whose terrain the map has.
  SimulatedWorld(const TerrainMap& map, const WorldSettings& settings);

  // Moves every unit `steps` times, then steers, turns and replaces units for the next tick.
  void advance(int steps);

  // The units present, in the order they are reported.
  const std::vector<WorldUnit>& units() const { return units_; }

  // Writes the present state as one snapshot message.
  void encode(SnapshotMessage& message) const;

 private:
  // A new unit of this kind under a fresh id, placed in the first view or anywhere.
  WorldUnit make_unit(const UnitKind& kind, bool in_view);
  // The next id after the last one given that no unit present holds.
  int16_t fresh_id();
  // Moves a unit `steps` steps of the rulebook (the client's steps) along its course.
  void move(WorldUnit& unit, int steps) const;
  // Turns the unit now and then, and away from anything its course would run into.
  void steer(WorldUnit& unit);
  // One unit leaves and a new one of the same kind joins elsewhere under a fresh id.
  void replace_a_unit();

  const TerrainMap& map_;
  Steering steering_;
  SeededRandom random_;
  Area view_;
  std::vector<WorldUnit> units_;
  int16_t last_id_ = 0;
  int steps_to_replace_;
};
