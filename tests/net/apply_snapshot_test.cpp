// Applying snapshots to the unit list: what is kept, made, removed and reported.

#include "net/apply_snapshot.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/world.h"
#include "game_fixture.h"
#include "scratch_folder.h"
#include "units/unit.h"
#include "units/unit_types.h"
#include "view/player.h"

using test_support::listed_ids;
using test_support::record;
using test_support::ScratchFolder;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

namespace {

const std::string added = "New entity added!\n";
const std::string reported = "HAXXOR DETEKTED!\n";

// Applies the records and returns what that wrote on stdout.
std::string apply(const std::vector<UnitRecord>& records) {
  CaptureStdout();
  apply_snapshot(records.data(), static_cast<int>(records.size()));
  return GetCapturedStdout();
}

Unit& listed(int16_t id) {
  for (Unit* unit : world.units)
    if (unit->id == id) return *unit;
  throw std::runtime_error("unit " + std::to_string(id) + " is not listed");
}

}  // namespace

using ApplySnapshot = GameTest;

TEST_F(ApplySnapshot, JumpIsReportedOnlyBeyondTwiceTheOldSpeed) {
  struct Jump {
    const char* what;
    UnitRecord before, after;
    bool reported;
  };
  const Jump jumps[] = {
      {"root 117 truncates to 10, not above 10", record(1, 1, 0, 0, 0, 5), record(1, 1, 6, 9, 0, 5),
       false},
      {"root 128 truncates to 11, above 10", record(1, 1, 0, 0, 0, 5), record(1, 1, 8, 8, 0, 5),
       true},
      {"10.2 to 10.9 is no whole pixel", record(1, 1, 10.2f, 0, 0, 0), record(1, 1, 10.9f, 0, 0, 0),
       false},
      {"10.9 to 11.0 is one pixel at speed 0", record(1, 1, 10.9f, 0, 0, 0),
       record(1, 1, 11.0f, 0, 0, 0), true},
      {"-0.9 and 0.9 both truncate to 0", record(1, 1, -0.9f, -0.9f, 0, 0),
       record(1, 1, 0.9f, 0.9f, 0, 0), false},
      {"a reversing unit that stands still", record(1, 1, 50, 50, 0, -1),
       record(1, 1, 50, 50, 0, -1), true},
      {"old speed 1 allows 2, not 30", record(1, 1, 0, 0, 0, 1), record(1, 1, 30, 0, 0, 20), true},
      {"old speed 20 allows 40", record(1, 1, 0, 0, 0, 20), record(1, 1, 30, 0, 0, 1), false},
  };
  for (const Jump& j : jumps) {
    world.clear();
    EXPECT_EQ(apply({j.before}), added) << j.what;
    EXPECT_EQ(apply({j.after}), j.reported ? reported : "") << j.what;
    // Reported or not, the server's values are taken.
    EXPECT_EQ(listed(1).x, j.after.x) << j.what;
    EXPECT_EQ(listed(1).y, j.after.y) << j.what;
    EXPECT_EQ(listed(1).speed, j.after.speed) << j.what;
  }
}

TEST_F(ApplySnapshot, JumpIsMeasuredFromWhereLocalMotionHasMovedTheUnit) {
  SDL_Surface* map = test_support::make_map(200, 200, 0);
  // A commander goes anywhere; heading 90 moves it 5 pixels toward smaller x per step.
  apply({record(1, commander, 100, 100, 90, 5)});
  test_support::now += 50;
  listed(1).step(map);
  ASSERT_EQ(listed(1).x, 95.0f);
  // 10 pixels from where it is now, 15 from where the last snapshot put it.
  EXPECT_EQ(apply({record(1, commander, 85, 100, 90, 5)}), "");
  SDL_FreeSurface(map);
}

TEST_F(ApplySnapshot, SameNewIdTwiceMakesOneUnitThatTheSecondRecordUpdates) {
  EXPECT_EQ(apply({record(4, tank, 0, 0, 0, 1), record(4, tank, 30, 0, 45, 20)}), added + reported);
  ASSERT_EQ(listed_ids(), std::vector<int>{4});
  EXPECT_EQ(listed(4).x, 30.0f);
  EXPECT_EQ(listed(4).heading, 45);
  EXPECT_EQ(listed(4).speed, 20);
}

TEST_F(ApplySnapshot, ListKeepsKnownUnitsInOrderAndAppendsNewOnes) {
  EXPECT_EQ(apply({record(1, tank, 0, 0), record(2, tank, 0, 0), record(3, tank, 0, 0)}),
            added + added + added);
  EXPECT_EQ(listed_ids(), (std::vector<int>{1, 2, 3}));

  EXPECT_EQ(apply({record(3, tank, 0, 0), record(5, tank, 0, 0), record(1, tank, 0, 0)}), added);
  EXPECT_EQ(listed_ids(), (std::vector<int>{1, 3, 5}));
}

TEST_F(ApplySnapshot, UnitListedAgainAfterItsRemovalComesBackNew) {
  apply({record(1, tank, 0, 0), record(2, infantry, 0, 0)});
  listed(2).throttle = 1;
  listed(2).turn = -1;
  EXPECT_EQ(apply({record(1, tank, 0, 0)}), "");
  EXPECT_EQ(listed_ids(), std::vector<int>{1});

  test_support::now += 1234;
  EXPECT_EQ(apply({record(1, tank, 0, 0), record(2, cruiser, 7, 8)}), added);
  EXPECT_EQ(listed_ids(), (std::vector<int>{1, 2}));
  const Unit& back = listed(2);
  EXPECT_EQ(back.type, cruiser) << "a new unit takes the type its new record gives";
  EXPECT_EQ(back.terrain, water);
  EXPECT_EQ(back.throttle, 0);
  EXPECT_EQ(back.turn, 0);
  EXPECT_EQ(back.last_step, test_support::now);
  EXPECT_EQ(back.last_fire[0], test_support::now);
}

TEST_F(ApplySnapshot, ChangedTypeOfAKnownUnitIsIgnored) {
  apply({record(1, tank, 10, 10, 0, 3)});
  const SDL_Surface* image = listed(1).image;
  EXPECT_EQ(apply({record(1, airplane, 11, 10, 90, 4)}), "");
  const Unit& unit = listed(1);
  EXPECT_EQ(unit.type, tank);
  EXPECT_EQ(unit.image, image);
  EXPECT_EQ(unit.min_speed, -6);
  EXPECT_EQ(unit.terrain, land);
  EXPECT_EQ(unit.x, 11.0f) << "the rest of the record is taken";
  EXPECT_EQ(unit.heading, 90);
  EXPECT_EQ(unit.speed, 4);
}

TEST_F(ApplySnapshot, SnapshotListingNoUnitEmptiesTheListSilently) {
  const UnitRecord ignored[] = {record(9, tank, 0, 0)};
  for (int count : {0, -1, -128}) {
    apply({record(1, tank, 0, 0), record(2, ducky, 0, 0)});
    CaptureStdout();
    apply_snapshot(ignored, count);
    EXPECT_EQ(GetCapturedStdout(), "") << count;
    EXPECT_TRUE(world.units.empty()) << count;
  }
}

TEST_F(ApplySnapshot, PlayerLetsGoOfTheUnitASnapshotRemoves) {
  Player player;
  apply({record(1, tank, 0, 0), record(2, tank, 0, 0), record(3, tank, 0, 0)});
  player.select_unit(2);
  apply({record(2, tank, 0, 0), record(3, tank, 0, 0)});
  ASSERT_NE(player.unit, nullptr) << "another unit's removal took the player's unit";
  EXPECT_EQ(player.unit->id, 3);

  apply({record(2, tank, 0, 0)});
  EXPECT_EQ(player.unit, nullptr);
  // New units may take the removed one's address; the player still holds none.
  for (int16_t id = 10; id < 20; ++id) apply({record(2, tank, 0, 0), record(id, tank, 0, 0)});
  EXPECT_EQ(player.unit, nullptr);
}

TEST_F(ApplySnapshot, TypeWithoutARowMovesLikeAnUnknownEnemyAndKeepsItsNumber) {
  apply({record(1, unknown_enemy, 0, 0)});
  const Unit& enemy = listed(1);
  int16_t id = 2;
  for (int16_t type : {8, -2, INT16_MAX, INT16_MIN}) {
    apply({record(1, unknown_enemy, 0, 0), record(id, type, 0, 0)});
    const Unit& unit = listed(id++);
    EXPECT_EQ(unit.type, type);
    EXPECT_EQ(unit.terrain, any) << type;
    EXPECT_EQ(unit.min_speed, 0) << type;
    EXPECT_EQ(unit.max_speed, 0) << type;
    EXPECT_EQ(unit.turn_rate, 0) << type;
    ASSERT_NE(unit.image, nullptr) << type;
    EXPECT_EQ(unit.image->w, enemy.image->w) << "drawn as an unknown enemy";
  }
}

TEST_F(ApplySnapshot, UnitWhosePictureCannotBeLoadedIsStillDrawable) {
  const std::filesystem::path source_folder = std::filesystem::current_path();
  std::string lines, errors;
  {
    const ScratchFolder no_gfx("quorvale-no-gfx", ScratchFolder::Entry::enter);
    ASSERT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), no_gfx.path()));
    CaptureStderr();
    lines = apply({record(1, tank, 0, 0), record(2, tank, 0, 0)});
    errors = GetCapturedStderr();
  }
  EXPECT_EQ(std::filesystem::current_path(), source_folder);

  EXPECT_EQ(lines, added + added);
  ASSERT_EQ(world.units.size(), 2u);
  for (const Unit* unit : world.units) {
    ASSERT_NE(unit->image, nullptr);
    EXPECT_GT(unit->image->w, 0);
  }
  // One line for the missing file, however many units lack it.
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("gfx/tank.png"), std::string::npos) << errors;
}
