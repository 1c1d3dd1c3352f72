#include <SDL/SDL.h>

#include <vector>

#include "game_fixture.h"
#include "unit_builders.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "units/unit_types.h"

using unit_tests::advance;
using unit_tests::listed_unit;

namespace {

// Speeds after each of `steps` due steps with the throttle held at `throttle`.
std::vector<int> speeds_with_throttle(Unit& unit, SDL_Surface* map, int throttle, int steps) {
  unit.throttle = throttle;
  std::vector<int> speeds;
  for (int i = 0; i < steps; ++i) {
    advance(50);
    unit.step(map);
    speeds.push_back(unit.speed);
  }
  return speeds;
}

// Headings after each of `steps` due steps with the turn held at `turn`.
std::vector<int> headings_with_turn(Unit& unit, SDL_Surface* map, int turn, int steps) {
  unit.turn = turn;
  std::vector<int> headings;
  for (int i = 0; i < steps; ++i) {
    advance(50);
    unit.step(map);
    headings.push_back(unit.heading);
  }
  return headings;
}

using V = std::vector<int>;

}  // namespace

// Land everywhere, big enough that no sequence here reaches an edge.
class ThrottleAndTurn : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    map = test_support::make_map(1000, 1000, land_pixel);
  }
  void TearDown() override {
    SDL_FreeSurface(map);
    GameTest::TearDown();
  }
  SDL_Surface* map = nullptr;
};

TEST_F(ThrottleAndTurn, TankReversesByItsDecelerationAndSpeedsUpByItsAcceleration) {
  Unit& backing = listed_unit(tank, 500, 500, 0, 0);
  EXPECT_EQ(speeds_with_throttle(backing, map, -1, 3), (V{-3, -6, -6}));
  EXPECT_EQ(backing.y, 500.0f + 3 + 6 + 6) << "each step moves by the speed it has just set";

  Unit& forward = listed_unit(tank, 500, 500, 0, 0);
  EXPECT_EQ(speeds_with_throttle(forward, map, 1, 7), (V{2, 4, 6, 8, 10, 12, 12}));
}

TEST_F(ThrottleAndTurn, BrakingStopsAReversingUnitAtOnceAndAForwardOneWithoutPassingZero) {
  Unit& reversing = listed_unit(tank, 500, 500, 0, -6);
  EXPECT_EQ(speeds_with_throttle(reversing, map, -2, 2), (V{0, 0}));
  EXPECT_EQ(reversing.y, 500.0f) << "the brake applies before the step's move";

  Unit& forward = listed_unit(tank, 500, 500, 0, 7);
  EXPECT_EQ(speeds_with_throttle(forward, map, -2, 4), (V{4, 1, 0, 0}));
}

TEST_F(ThrottleAndTurn, AirplaneNeverGoesBelowFiveAndIsLiftedToFiveFromStandstill) {
  Unit& braking = listed_unit(airplane, 500, 500, 0, 25);
  EXPECT_EQ(speeds_with_throttle(braking, map, -2, 5), (V{20, 15, 10, 5, 5}));
  Unit& backing = listed_unit(airplane, 500, 500, 0, 25);
  EXPECT_EQ(speeds_with_throttle(backing, map, -1, 5), (V{20, 15, 10, 5, 5}));

  Unit& parked = listed_unit(airplane, 500, 500, 0, 0);
  EXPECT_EQ(speeds_with_throttle(parked, map, 0, 2), (V{0, 0})) << "no throttle, no change";
  EXPECT_EQ(parked.y, 500.0f);
  EXPECT_EQ(speeds_with_throttle(parked, map, -1, 1), (V{5}));
  Unit& parked_braking = listed_unit(airplane, 500, 500, 0, 0);
  EXPECT_EQ(speeds_with_throttle(parked_braking, map, -2, 1), (V{5}));
}

TEST_F(ThrottleAndTurn, ASnapshotSpeedAboveTheLimitIsClampedOnlyByTheThrottleThatRunsIntoIt) {
  Unit& accelerating = listed_unit(tank, 500, 500, 0, 20);
  EXPECT_EQ(speeds_with_throttle(accelerating, map, 1, 2), (V{12, 12}));

  Unit& backing = listed_unit(tank, 500, 500, 0, 20);
  EXPECT_EQ(speeds_with_throttle(backing, map, -1, 2), (V{17, 14}));

  Unit& unsteered = listed_unit(tank, 500, 500, 0, 20);
  EXPECT_EQ(speeds_with_throttle(unsteered, map, 0, 1), (V{20}));
  Unit& odd_input = listed_unit(tank, 500, 500, 0, 20);
  EXPECT_EQ(speeds_with_throttle(odd_input, map, 3, 1), (V{20})) << "an unknown input is none";
}

TEST_F(ThrottleAndTurn, HeadingWrapsBetween355AndZeroBothWays) {
  Unit& left = listed_unit(tank, 500, 500, 350, 0);
  EXPECT_EQ(headings_with_turn(left, map, -1, 3), (V{355, 0, 5}));

  Unit& right = listed_unit(tank, 500, 500, 5, 0);
  EXPECT_EQ(headings_with_turn(right, map, 1, 3), (V{0, 355, 350}));

  Unit& unknown = listed_unit(unknown_enemy, 500, 500, 90, 0);
  EXPECT_EQ(headings_with_turn(unknown, map, 1, 2), (V{90, 90})) << "turn rate 0";
}

TEST_F(ThrottleAndTurn, TheTurnAppliesBeforeTheMove) {
  Unit& tank_unit = listed_unit(tank, 500, 500, 85, 10);
  tank_unit.turn = -1;
  advance(50);
  tank_unit.step(map);
  EXPECT_EQ(tank_unit.heading, 90);
  EXPECT_EQ(tank_unit.pos.x, 490) << "heading 90 moves toward smaller x";
  EXPECT_EQ(tank_unit.pos.y, 500);
}
