#include "view/player.h"
#include "core/world.h"
#include "game_fixture.h"
#include "units/unit.h"

using test_support::record;

using PlayerTest = GameTest;

TEST_F(PlayerTest, SelectsByListPositionAndNothingOutOfRange) {
  Player player;
  player.select_unit(0);
  EXPECT_EQ(player.unit, nullptr) << "an empty list holds nothing to select";
  for (int16_t id = 1; id <= 3; ++id) world.units.push_back(new Unit(record(id, 1, 100, 100)));

  player.select_unit(2);
  ASSERT_NE(player.unit, nullptr);
  EXPECT_EQ(player.unit->id, 3);
  for (int32_t out_of_range : {3, 5, -1, INT32_MIN}) {
    player.select_unit(out_of_range);
    EXPECT_EQ(player.unit, nullptr) << out_of_range;
  }
}

TEST_F(PlayerTest, PositionsShiftAfterARemoval) {
  Player player;
  for (int16_t id = 1; id <= 3; ++id) world.units.push_back(new Unit(record(id, 1, 100, 100)));
  world.remove_unit(0);
  player.select_unit(0);
  ASSERT_NE(player.unit, nullptr);
  EXPECT_EQ(player.unit->id, 2);
}

TEST_F(PlayerTest, LetsGoOfItsUnitWhenTheWorldRemovesIt) {
  Player player;
  for (int16_t id = 1; id <= 3; ++id) world.units.push_back(new Unit(record(id, 1, 100, 100)));
  player.select_unit(1);
  world.remove_unit(0);
  EXPECT_EQ(player.unit->id, 2) << "another unit's removal leaves the selection alone";
  world.remove_unit(0);
  EXPECT_EQ(player.unit, nullptr);
  // A new unit may take the removed one's address; the Player must not come to hold it.
  world.units.push_back(new Unit(record(9, 1, 100, 100)));
  EXPECT_EQ(player.unit, nullptr);
}
