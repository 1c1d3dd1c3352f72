#include <SDL/SDL.h>

#include <vector>

#include "core/world.h"
#include "game_fixture.h"
#include "units/shot.h"
#include "units/unit.h"

using test_support::listed_ids;
using test_support::record;

namespace {

// Three units with ids 1, 2, 3, listed in that order.
void list_three_units() {
  for (int16_t id = 1; id <= 3; ++id) world.units.push_back(new Unit(record(id, 1, 100, 100)));
}

}  // namespace

using WorldTest = GameTest;

TEST_F(WorldTest, RemovingAUnitClosesTheGapAndKeepsTheOrder) {
  list_three_units();
  world.remove_unit(0);
  EXPECT_EQ(listed_ids(), (std::vector<int>{2, 3}));
  world.remove_unit(1);
  EXPECT_EQ(listed_ids(), (std::vector<int>{2}));
}

TEST_F(WorldTest, AWalkByPositionVisitsEachUnitOnceWhileRemovingTheMiddleOne) {
  list_three_units();
  std::vector<int> visited;
  std::size_t position = 0;
  while (position < world.units.size()) {
    visited.push_back(world.units[position]->id);
    if (world.units[position]->id == 2)
      world.remove_unit(position);
    else
      ++position;
  }
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(listed_ids(), (std::vector<int>{1, 3}));
}

TEST_F(WorldTest, AShotAppendedDuringAWalkIsVisitedOnceAfterTheOthers) {
  for (int i = 0; i < 3; ++i) world.shots.push_back(new Shot(projectile, 5, 0, i, 0, 50, 50));
  std::vector<int16_t> visited;
  bool appended = false;
  for (std::size_t position = 0; position < world.shots.size(); ++position) {
    visited.push_back(world.shots[position]->start.x);
    if (!appended) {
      // Enough appends to make the array move its storage.
      for (int i = 0; i < 64; ++i)
        world.shots.push_back(new Shot(projectile, 5, 0, 100 + i, 0, 1, 1));
      appended = true;
    }
  }
  ASSERT_EQ(visited.size(), 67u);
  EXPECT_EQ(visited[0], 0);
  EXPECT_EQ(visited[2], 2);
  EXPECT_EQ(visited[3], 100);
  EXPECT_EQ(visited[66], 163);
}

TEST_F(WorldTest, RemovalTellsTheBorrowerBeforeTheUnitIsDeleted) {
  list_three_units();
  std::vector<int> told;
  world.on_unit_removed = [&](const Unit* unit) { told.push_back(unit->id); };
  world.remove_unit(1);
  world.clear();
  world.on_unit_removed = nullptr;
  EXPECT_EQ(told, (std::vector<int>{2, 3, 1}));
  EXPECT_TRUE(world.units.empty());
}
