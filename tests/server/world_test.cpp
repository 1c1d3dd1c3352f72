// The simulated world, run in-process for many ticks and held to the client's rules.
#include "server/world.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "tests/server/client_rules.h"
#include "tests/server/test_map.h"
#include "units/terrain.h"

namespace {

constexpr int steps_per_tick = 2;  // 10 snapshots a second

// The world's units as the messages it encodes report them.
std::vector<UnitRecord> snapshot_of(const World& world) {
  SnapshotMessage message;
  world.encode(message);
  std::vector<UnitRecord> records;
  const int count = snapshot_count_byte(message.bytes);
  for (int i = 0; i < count; ++i)
    records.push_back(
        decode_unit_record(message.bytes + snapshot_records_offset + unit_record_size * i));
  return records;
}

// Checks one snapshot against the client's rules and the map; returns the ids it holds.
std::set<int> check_snapshot(SDL_Surface* map, const std::vector<UnitRecord>& records) {
  std::set<int> ids;
  for (const UnitRecord& unit : records) {
    const auto rule = client_rule(unit.type);
    EXPECT_TRUE(rule) << "type " << unit.type;
    if (!rule) continue;
    EXPECT_TRUE(ids.insert(unit.id).second) << "id " << unit.id << " twice";
    EXPECT_GE(unit.speed, 0) << "the client flags every negative speed";
    EXPECT_GE(unit.speed, rule->min_speed);
    EXPECT_LE(unit.speed, rule->max_speed);
    EXPECT_GE(unit.heading, 0);
    EXPECT_LE(unit.heading, 359);
    EXPECT_TRUE(stands_on_its_terrain(map, *rule, unit.x, unit.y))
        << "type " << unit.type << " at " << unit.x << "," << unit.y;
    EXPECT_GE(unit.x, 1.0f);
    EXPECT_GE(unit.y, 1.0f);
    EXPECT_LT(unit.x, map->w - 1.0f);
    EXPECT_LT(unit.y, map->h - 1.0f);
  }
  return ids;
}

struct RunSummary {
  std::set<int> ids_seen;
  int turns = 0;
  std::vector<std::vector<UnitRecord>> snapshots;
};

// Runs a world for `ticks` ticks, checking every snapshot and every unit's motion
// against the client's own steps from the snapshot before.
RunSummary run_world(SDL_Surface* map, World& world, int ticks) {
  RunSummary summary;
  std::vector<UnitRecord> before = snapshot_of(world);
  summary.snapshots.push_back(before);
  for (int tick = 0; tick < ticks; ++tick) {
    world.advance(steps_per_tick);
    const std::vector<UnitRecord> after = snapshot_of(world);
    EXPECT_EQ(after.size(), before.size());
    const std::set<int> ids = check_snapshot(map, after);
    summary.ids_seen.insert(ids.begin(), ids.end());
    std::map<int, UnitRecord> previous;
    for (const UnitRecord& unit : before) previous[unit.id] = unit;
    for (const UnitRecord& unit : after) {
      const auto was = previous.find(unit.id);
      if (was == previous.end()) continue;
      const UnitRecord& old = was->second;
      EXPECT_EQ(unit.type, old.type) << "id " << unit.id << " changed type";
      float x = old.x;
      float y = old.y;
      for (int step = 0; step < steps_per_tick; ++step)
        client_step(map, *client_rule(old.type), old.heading, old.speed, x, y);
      EXPECT_EQ(x, unit.x) << "id " << unit.id << " tick " << tick;
      EXPECT_EQ(y, unit.y) << "id " << unit.id << " tick " << tick;
      if (unit.heading != old.heading) ++summary.turns;
    }
    before = after;
    summary.snapshots.push_back(after);
  }
  return summary;
}

class WorldTest : public ::testing::Test {
 protected:
  // The world reads the map through a TerrainMap; the tests read the same surface.
  SDL_Surface* map_ = make_test_map(400, 300);
  TerrainMap terrain_{map_};
};

TEST_F(WorldTest, UnitsStayOnTheirTerrainAndMoveExactlyAsTheClientWould) {
  for (const uint64_t seed : {1u, 2u, 3u}) {
    World world(terrain_, {snapshot_max_records, seed, steps_per_tick});
    const RunSummary summary = run_world(map_, world, 600);
    EXPECT_EQ(summary.snapshots.front().size(), static_cast<std::size_t>(snapshot_max_records));
    EXPECT_GT(summary.ids_seen.size(), static_cast<std::size_t>(snapshot_max_records))
        << "over a minute some units leave and others join";
    EXPECT_GT(summary.turns, 100) << "units turn now and then";
  }
}

TEST_F(WorldTest, EveryKindTakesPart) {
  World world(terrain_, {12, 5, steps_per_tick});
  std::set<int> types;
  for (const UnitRecord& unit : snapshot_of(world)) types.insert(unit.type);
  EXPECT_EQ(types, (std::set<int>{-1, 0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(WorldTest, TheSameSeedGivesTheSameWorld) {
  World first(terrain_, {20, 42, steps_per_tick});
  World second(terrain_, {20, 42, steps_per_tick});
  World other(terrain_, {20, 43, steps_per_tick});
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

TEST(WorldPlacementTest, SomeUnitsStartInTheFirstView) {
  SDL_Surface* map = make_test_map(1600, 1200);
  TerrainMap terrain(map);
  World world(terrain, {12, 9, steps_per_tick});
  int in_view = 0;
  for (const UnitRecord& unit : snapshot_of(world))
    if (unit.x < World::view_width && unit.y < World::view_height) ++in_view;
  EXPECT_GE(in_view, 3);
}

TEST(WorldPlacementTest, KindsWithoutTheirTerrainStayOut) {
  SDL_Surface* map = make_plain_map(300, 300, land_pixel);
  TerrainMap terrain(map);
  World world(terrain, {30, 4, steps_per_tick});
  const RunSummary summary = run_world(map, world, 200);
  for (const auto& snapshot : summary.snapshots) {
    EXPECT_EQ(snapshot.size(), 30u);
    for (const UnitRecord& unit : snapshot) EXPECT_NE(client_rule(unit.type)->terrain, water_pixel);
  }
}

TEST(WorldPlacementTest, LandUnitsOnATinyIslandStopRatherThanLeaveIt) {
  SDL_Surface* map = make_plain_map(300, 300, water_pixel);
  SDL_Rect island{150, 150, 2, 2};
  SDL_FillRect(map, &island, land_pixel);
  TerrainMap terrain(map);
  World world(terrain, {9, 6, steps_per_tick});
  const RunSummary summary = run_world(map, world, 100);
  int land_units = 0;
  for (const UnitRecord& unit : summary.snapshots.back()) {
    if (client_rule(unit.type)->terrain != land_pixel) continue;
    ++land_units;
    EXPECT_EQ(unit.speed, 0);
  }
  EXPECT_GT(land_units, 0);
}

}  // namespace
