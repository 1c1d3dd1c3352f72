#include <SDL/SDL.h>

#include "core/frame_loop.h"
#include "core/world.h"
#include "game_fixture.h"
#include "unit_builders.h"
#include "units/shot.h"
#include "units/unit.h"
#include "units/unit_types.h"

using unit_tests::advance;
using unit_tests::listed_unit;

namespace {

// Airplanes ignore terrain, so only the clock decides whether they move.
Unit& airplane_heading_up(float x, float y, int16_t speed) {
  return listed_unit(airplane, x, y, 0, speed);
}

}  // namespace

using UnitTiming = GameTest;

TEST_F(UnitTiming, StepsOnlyOnce50msHavePassedSinceTheLastStep) {
  SDL_Surface* map = test_support::make_map(200, 200, 0);
  Unit& plane = airplane_heading_up(100.5f, 150.5f, 10);

  advance(49);
  plane.step(map);
  EXPECT_EQ(plane.y, 150.5f) << "49 ms after construction is too soon";
  EXPECT_EQ(plane.pos.y, 150);

  advance(1);
  plane.step(map);
  EXPECT_EQ(plane.y, 140.5f);
  EXPECT_EQ(plane.pos.y, 140);

  // The next step counts from this one, not from construction.
  advance(49);
  plane.step(map);
  EXPECT_EQ(plane.y, 140.5f);
  advance(1);
  plane.step(map);
  EXPECT_EQ(plane.y, 130.5f);
  SDL_FreeSurface(map);
}

TEST_F(UnitTiming, ALongPauseMovesOnceAndNeverCatchesUp) {
  SDL_Surface* map = test_support::make_map(200, 200, 0);
  Unit& plane = airplane_heading_up(100.0f, 150.0f, 10);

  advance(500);
  plane.step(map);
  EXPECT_EQ(plane.y, 140.0f) << "one step however late, not ten";
  plane.step(map);
  advance(49);
  plane.step(map);
  EXPECT_EQ(plane.y, 140.0f) << "the late step restarts the 50 ms";
  advance(1);
  plane.step(map);
  EXPECT_EQ(plane.y, 130.0f);
  SDL_FreeSurface(map);
}

TEST_F(UnitTiming, StepsShotsAndReloadsGoOnWhenTheTickCounterWraps) {
  SDL_Surface* map = test_support::make_map(200, 200, 0);
  test_support::now = 0xFFFFFFE0u;  // 32 ms before the wrap
  Unit& plane = airplane_heading_up(100.0f, 150.0f, 10);
  Shot& shot = *new Shot(projectile, 5, 0, 100, 100, 100, 0);
  world.shots.push_back(&shot);

  advance(49);  // now 0x11, past the wrap
  plane.step(map);
  EXPECT_EQ(plane.y, 150.0f);
  EXPECT_EQ(shot.step().action, -1);
  EXPECT_EQ(shot.pos.y, 100);

  advance(1);
  plane.step(map);
  EXPECT_EQ(plane.y, 140.0f);
  EXPECT_EQ(shot.step().action, -1);
  EXPECT_EQ(shot.pos.y, 95);
  for (int i = 0; i < 3; ++i) {
    advance(50);
    plane.step(map);
  }
  EXPECT_EQ(plane.y, 110.0f) << "one step per 50 ms after the wrap as before it";

  test_support::now = 0xFFFFFFE0u + 499;
  plane.fire(0, 0, 0);
  EXPECT_EQ(world.shots.size(), 1u) << "499 ms across the wrap is still reloading";
  advance(1);
  plane.fire(0, 0, 0);
  EXPECT_EQ(world.shots.size(), 2u);
  SDL_FreeSurface(map);
}

TEST_F(UnitTiming, TheUnitPassStepsEveryListedUnitOncePerDueStep) {
  SDL_Surface* map = test_support::make_map(200, 200, 0);
  for (float x : {20.0f, 60.0f, 100.0f}) airplane_heading_up(x, 150.0f, 10);

  advance(50);
  run_unit_pass(map);
  run_unit_pass(map);
  for (Unit* unit : world.units) EXPECT_EQ(unit->y, 140.0f) << "unit at x " << unit->x;
  ASSERT_EQ(world.units.size(), 3u) << "the pass removes no unit";
  SDL_FreeSurface(map);
}
