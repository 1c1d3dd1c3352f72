// The simulated world, run in-process for many ticks and held to the client: every
// snapshot keeps each type's limits and terrain (written out in type_limits.h), and the
// client's own Unit, built from a snapshot's record and stepped by Unit::step, lands where
// the next snapshot puts the unit. The Units load their pictures: the tests open SDL's
// dummy screen (game_fixture.h) and run from the source folder, where gfx/ is.
#include "server/simulated_world.h"
#include "view/screen_size.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "core/world.h"
#include "game_fixture.h"
#include "map_builders.h"
#include "net/apply_snapshot.h"
#include "tests/server/stream_client.h"
#include "tests/server/test_map.h"
#include "tests/server/type_limits.h"
#include "units/terrain.h"
#include "units/unit.h"

namespace {

constexpr int steps_per_tick = 2;  // 10 snapshots a second

// The world's units as the messages it encodes report them.
std::vector<UnitRecord> snapshot_of(const SimulatedWorld& world) {
  SnapshotMessage message;
  world.encode(message);
  return records_of(message);
}

// Checks one snapshot against each type's limits and terrain and the map; returns the ids
// it holds.
std::set<int> check_snapshot(SDL_Surface* map, const std::vector<UnitRecord>& records) {
  std::set<int> ids;
  for (const UnitRecord& unit : records) {
    const auto limits = type_limits(unit.type);
    EXPECT_TRUE(limits) << "type " << unit.type;
    if (!limits) continue;
    EXPECT_TRUE(ids.insert(unit.id).second) << "id " << unit.id << " twice";
    EXPECT_GE(unit.speed, 0) << "the client flags every negative speed";
    EXPECT_GE(unit.speed, limits->min_speed);
    EXPECT_LE(unit.speed, limits->max_speed);
    EXPECT_GE(unit.heading, 0);
    EXPECT_LE(unit.heading, 359);
    EXPECT_TRUE(stands_on_its_terrain(map, *limits, unit.x, unit.y))
        << "type " << unit.type << " at " << unit.x << "," << unit.y;
    EXPECT_GE(unit.x, 1.0f);
    EXPECT_GE(unit.y, 1.0f);
    EXPECT_LT(unit.x, map->w - 1.0f);
    EXPECT_LT(unit.y, map->h - 1.0f);
  }
  return ids;
}

// What the client makes of a snapshot over one tick: the snapshot applied to the client's
// World as the client applies one (a Unit built for each new id, the others refreshed),
// then every Unit stepped by Unit::step every 50 ms of the test's clock. Returns each
// unit's state afterwards by id; the World keeps its Units for the next tick.
std::map<int, UnitRecord> as_the_client_moves(SDL_Surface* map,
                                              const std::vector<UnitRecord>& records) {
  apply_snapshot(records.data(), static_cast<int>(records.size()));
  for (int step = 0; step < steps_per_tick; ++step) {
    test_support::now += 50;
    for (Unit* unit : world.units) unit->step(map);
  }
  std::map<int, UnitRecord> moved;
  for (const Unit* unit : world.units)
    moved[unit->id] =
        test_support::record(unit->id, static_cast<int16_t>(unit->type), unit->x, unit->y,
                             unit->heading, static_cast<int16_t>(unit->speed));
  return moved;
}

struct RunSummary {
  std::set<int> ids_seen;
  int turns = 0;
  std::vector<std::vector<UnitRecord>> snapshots;
};

// Runs a world for `ticks` ticks, checking every snapshot and every unit's motion
// against the client's own steps from the snapshot before.
RunSummary run_world(SDL_Surface* map, SimulatedWorld& simulated, int ticks) {
  RunSummary summary;
  world.clear();  // the client starts each world afresh
  std::vector<UnitRecord> before = snapshot_of(simulated);
  summary.snapshots.push_back(before);
  for (int tick = 0; tick < ticks; ++tick) {
    simulated.advance(steps_per_tick);
    const std::vector<UnitRecord> after = snapshot_of(simulated);
    EXPECT_EQ(after.size(), before.size());
    const std::set<int> ids = check_snapshot(map, after);
    summary.ids_seen.insert(ids.begin(), ids.end());
    const std::map<int, UnitRecord> client = as_the_client_moves(map, before);
    for (const UnitRecord& unit : after) {
      const auto was = client.find(unit.id);
      if (was == client.end()) continue;
      const UnitRecord& stepped = was->second;
      EXPECT_EQ(unit.type, stepped.type) << "id " << unit.id << " changed type";
      EXPECT_EQ(stepped.x, unit.x) << "id " << unit.id << " tick " << tick;
      EXPECT_EQ(stepped.y, unit.y) << "id " << unit.id << " tick " << tick;
      if (unit.heading != stepped.heading) ++summary.turns;
    }
    before = after;
    summary.snapshots.push_back(after);
  }
  return summary;
}

// The dummy screen and the test's clock (game_fixture.h) for the client's Units.
class WorldTest : public GameTest {
 protected:
  // The world reads the map through a TerrainMap; the tests read the same surface.
  SDL_Surface* map_ = make_test_map(400, 300);
  TerrainMap terrain_{map_};
};

TEST_F(WorldTest, UnitsStayOnTheirTerrainAndMoveExactlyAsTheClientWould) {
  for (const uint64_t seed : {1u, 2u, 3u}) {
    SimulatedWorld world(terrain_, {snapshot_max_records, seed, steps_per_tick});
    const RunSummary summary = run_world(map_, world, 600);
    EXPECT_EQ(summary.snapshots.front().size(), static_cast<std::size_t>(snapshot_max_records));
    EXPECT_GT(summary.ids_seen.size(), static_cast<std::size_t>(snapshot_max_records))
        << "over a minute some units leave and others join";
    EXPECT_GT(summary.turns, 100) << "units turn now and then";
  }
}

TEST_F(WorldTest, EveryKindTakesPart) {
  SimulatedWorld world(terrain_, {12, 5, steps_per_tick});
  std::set<int> types;
  for (const UnitRecord& unit : snapshot_of(world)) types.insert(unit.type);
  EXPECT_EQ(types, (std::set<int>{-1, 0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(WorldTest, TheSameSeedGivesTheSameWorld) {
  SimulatedWorld first(terrain_, {20, 42, steps_per_tick});
  SimulatedWorld second(terrain_, {20, 42, steps_per_tick});
  SimulatedWorld other(terrain_, {20, 43, steps_per_tick});
  bool differs = false;
  for (int tick = 0; tick < 300; ++tick) {
    SnapshotMessage a, b, c;
    first.encode(a);
    second.encode(b);
    other.encode(c);
    ASSERT_EQ(0, std::memcmp(a.bytes, b.bytes, snapshot_message_size)) << "tick " << tick;
    differs |= std::memcmp(a.bytes, c.bytes, snapshot_message_size) != 0;
    first.advance(steps_per_tick);
    second.advance(steps_per_tick);
    other.advance(steps_per_tick);
  }
  EXPECT_TRUE(differs);
}

class WorldPlacementTest : public GameTest {};

TEST_F(WorldPlacementTest, SomeUnitsStartInTheFirstView) {
  SDL_Surface* map = make_test_map(1600, 1200);
  TerrainMap terrain(map);
  SimulatedWorld world(terrain, {12, 9, steps_per_tick});
  int in_view = 0;
  for (const UnitRecord& unit : snapshot_of(world))
    if (unit.x < screen_width && unit.y < screen_height) ++in_view;
  EXPECT_GE(in_view, 3);
}

TEST_F(WorldPlacementTest, KindsWithoutTheirTerrainStayOut) {
  SDL_Surface* map = test_support::make_map(300, 300, land_colour);
  TerrainMap terrain(map);
  SimulatedWorld world(terrain, {30, 4, steps_per_tick});
  const RunSummary summary = run_world(map, world, 200);
  for (const auto& snapshot : summary.snapshots) {
    EXPECT_EQ(snapshot.size(), 30u);
    for (const UnitRecord& unit : snapshot)
      EXPECT_NE(type_limits(unit.type)->terrain, water_colour);
  }
}

TEST_F(WorldPlacementTest, LandUnitsOnATinyIslandStopRatherThanLeaveIt) {
  SDL_Surface* map = test_support::make_map(300, 300, water_colour);
  SDL_Rect island{150, 150, 2, 2};
  SDL_FillRect(map, &island, land_colour);
  TerrainMap terrain(map);
  SimulatedWorld world(terrain, {9, 6, steps_per_tick});
  const RunSummary summary = run_world(map, world, 100);
  int land_units = 0;
  for (const UnitRecord& unit : summary.snapshots.back()) {
    if (type_limits(unit.type)->terrain != land_colour) continue;
    ++land_units;
    EXPECT_EQ(unit.speed, 0);
  }
  EXPECT_GT(land_units, 0);
}

}  // namespace
