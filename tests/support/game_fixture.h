/*
 * What the game's tests stand on: a dummy-driver screen, a clock and input the test
 * drives, and small builders for records and maps (map_builders.h).
 *
 * GameTest opens a 640x480 screen on SDL's dummy driver (32 bits unless a test asks
 * for another depth), points the game's clock at `now`, and on teardown empties the
 * World and closes SDL. Tests run from the source folder, so gfx/ is found.
 */
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/world.h"
#include "environment.h"
#include "map_builders.h"
#include "net/snapshot_format.h"
#include "units/clock.h"
#include "units/unit.h"
#include "view/screen_size.h"

namespace test_support {

// The time the game reads while a test runs; tests move it by hand.
inline Uint32 now = 0;
inline Uint32 read_now() { return now; }

// Opens the dummy screen at `depth` bits and sets the game's clock to `now` = start.
inline void open_screen(int depth, Uint32 start = 1000) {
  ASSERT_TRUE(set_environment("SDL_VIDEODRIVER", "dummy"));
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  world.screen = SDL_SetVideoMode(screen_width, screen_height, depth, SDL_SWSURFACE);
  ASSERT_NE(world.screen, nullptr) << SDL_GetError();
  now = start;
  game_ticks = read_now;
}

// Empties the World and closes SDL.
inline void close_screen() {
  world.clear();
  world.screen = nullptr;
  game_ticks = SDL_GetTicks;
  SDL_Quit();
}

// A record as the server would send it.
inline UnitRecord record(int16_t id, int16_t type, float x, float y, int16_t heading = 0,
                         int16_t speed = 0) {
  return UnitRecord{x, y, heading, speed, type, id};
}

// The ids of the World's units, in list order.
inline std::vector<int> listed_ids() {
  std::vector<int> ids;
  for (Unit* unit : world.units) ids.push_back(unit->id);
  return ids;
}

}  // namespace test_support

// A test with the dummy screen open at 32 bits and the game's clock under its control.
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override { test_support::open_screen(32); }
  void TearDown() override { test_support::close_screen(); }
};
