#include <SDL/SDL.h>

#include "core/world.h"
#include "game_fixture.h"
#include "unit_builders.h"
#include "units/shot.h"
#include "units/unit.h"
#include "units/unit_types.h"

using unit_tests::advance;
using unit_tests::listed_unit;

using Weapons = GameTest;

TEST_F(Weapons, EachWeaponReloadsOnItsOwn500msClockFromTheUnitsCreation) {
  Unit& tank_unit = listed_unit(tank, 100, 100, 0, 0);

  advance(499);
  tank_unit.fire(0, 200, 100);
  tank_unit.fire(1, 200, 100);
  EXPECT_TRUE(world.shots.empty()) << "a new unit cannot fire in its first 500 ms";

  advance(1);
  tank_unit.fire(0, 200, 100);
  EXPECT_EQ(world.shots.size(), 1u);
  tank_unit.fire(0, 200, 100);
  EXPECT_EQ(world.shots.size(), 1u) << "weapon 0 has just fired";
  tank_unit.fire(1, 200, 100);
  EXPECT_EQ(world.shots.size(), 2u) << "weapon 1 fires in the same frame";

  advance(499);
  tank_unit.fire(0, 200, 100);
  tank_unit.fire(1, 200, 100);
  EXPECT_EQ(world.shots.size(), 2u);
  advance(1);
  tank_unit.fire(0, 200, 100);
  EXPECT_EQ(world.shots.size(), 3u);
  tank_unit.fire(5, 200, 100);
  EXPECT_EQ(world.shots.size(), 4u) << "any number but 0 is weapon 1";
  tank_unit.fire(1, 200, 100);
  EXPECT_EQ(world.shots.size(), 4u) << "so weapon 1 has just fired";
}

TEST_F(Weapons, AProjectileLeavesFromTheIntegerPositionTowardTheTargetsLow16Bits) {
  Unit& tank_unit = listed_unit(tank, 100.9f, 50.7f, 0, 0);
  advance(500);
  tank_unit.fire(0, 65536 + 130, -65536 + 50);
  tank_unit.fire(1, 70000, -70000);
  ASSERT_EQ(world.shots.size(), 2u);

  const Shot& first = *world.shots[0];
  EXPECT_EQ(first.kind, projectile);
  EXPECT_EQ(first.speed, 5);
  EXPECT_EQ(first.start.x, 100);
  EXPECT_EQ(first.start.y, 50);
  EXPECT_EQ(first.x, 100.0f) << "from the integer position, not the exact one";
  EXPECT_EQ(first.target.x, 130);
  EXPECT_EQ(first.target.y, 50);
  EXPECT_EQ(first.range_left, 30);
  EXPECT_EQ(first.last_step, test_support::now);

  const Shot& second = *world.shots[1];
  EXPECT_EQ(second.target.x, 70000 - 65536);
  EXPECT_EQ(second.target.y, -70000 + 65536);
}
