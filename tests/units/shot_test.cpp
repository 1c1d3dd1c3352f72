#include <SDL/SDL.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/shot_pass.h"
#include "core/world.h"
#include "game_fixture.h"
#include "scratch_folder.h"
#include "unit_builders.h"
#include "units/shot.h"
#include "view/draw_frame.h"
#include "view/player.h"

using unit_tests::advance;

namespace {

// A shot listed in the World, so the fixture frees it.
Shot& listed_shot(int kind, int speed, int life, int16_t sx, int16_t sy, int16_t tx, int16_t ty) {
  Shot* shot = new Shot(kind, speed, life, sx, sy, tx, ty);
  world.shots.push_back(shot);
  return *shot;
}

struct Flight {
  std::vector<SDL_Rect> positions;  // after each step that moved
  int exploded_on_step = 0;
  ShotEvent request{};
};

// Steps a projectile every 50 ms until it asks for its explosion.
Flight fly(Shot& shot) {
  Flight flight;
  for (int step = 1; step <= 100; ++step) {
    advance(50);
    const ShotEvent event = shot.step();
    if (event.action != -1) {
      flight.exploded_on_step = step;
      flight.request = event;
      break;
    }
    flight.positions.push_back(shot.pos);
  }
  return flight;
}

// Checks an explosion request for integer position (x, y).
void expect_request(const ShotEvent& e, int16_t x, int16_t y) {
  EXPECT_EQ(e.action, 2);
  EXPECT_EQ(e.speed, 0);
  EXPECT_EQ(e.life, 10);
  EXPECT_EQ(e.start_x, x);
  EXPECT_EQ(e.start_y, y);
  EXPECT_EQ(e.target_x, x + 1);
  EXPECT_EQ(e.target_y, y + 1);
}

}  // namespace

using ShotFlight = GameTest;

TEST_F(ShotFlight, AimedAtItsOwnStartItAsksForAnExplosionThereOnItsFirstStep) {
  Shot& shot = listed_shot(projectile, 5, 0, 100, 200, 100, 200);
  EXPECT_EQ(shot.range_left, 0);
  advance(49);
  EXPECT_EQ(shot.step().action, -1) << "not due yet";
  advance(1);
  const ShotEvent event = shot.step();
  expect_request(event, 100, 200);
  EXPECT_EQ(shot.pos.x, 100);
  EXPECT_EQ(shot.pos.y, 200);
  EXPECT_EQ(shot.x, 100.0f) << "the ending step does not move";
}

TEST_F(ShotFlight, TwelvePixelsAwayItMovesThreeTimesAndExplodesOnTheFourthStep) {
  Shot& up = listed_shot(projectile, 5, 0, 100, 100, 100, 88);
  const Flight flight = fly(up);
  ASSERT_EQ(flight.positions.size(), 3u);
  EXPECT_EQ(flight.positions[0].y, 95);
  EXPECT_EQ(flight.positions[2].y, 85) << "15 pixels, past the target";
  EXPECT_EQ(flight.positions[2].x, 100);
  EXPECT_EQ(flight.exploded_on_step, 4);
  expect_request(flight.request, 100, 85);
}

TEST_F(ShotFlight, TenPixelsAwayItMovesTwiceAndExplodesOnTheThirdStep) {
  Shot& right = listed_shot(projectile, 5, 0, 100, 100, 110, 100);
  const Flight flight = fly(right);
  ASSERT_EQ(flight.positions.size(), 2u);
  EXPECT_EQ(flight.positions[1].x, 110);
  EXPECT_EQ(flight.positions[1].y, 100);
  EXPECT_EQ(flight.exploded_on_step, 3);
  expect_request(flight.request, 110, 100);
}

TEST_F(ShotFlight, EveryDirectionFliesTowardItsTargetAndEndsWithinFivePixelsBeyond) {
  const int16_t sx = 300, sy = 300;
  for (int dx : {-50, -30, 0, 30, 50}) {
    for (int dy : {-50, -40, 0, 40, 50}) {
      if (dx == 0 && dy == 0) continue;
      SCOPED_TRACE(testing::Message() << "target offset " << dx << ", " << dy);
      const int16_t tx = static_cast<int16_t>(sx + dx), ty = static_cast<int16_t>(sy + dy);
      Shot& shot = listed_shot(projectile, 5, 0, sx, sy, tx, ty);
      EXPECT_GE(shot.heading, 0.0);
      EXPECT_LT(shot.heading, 360.0);
      const int distance = static_cast<int>(std::sqrt(dx * dx + dy * dy));
      const Flight flight = fly(shot);
      EXPECT_EQ(flight.exploded_on_step, (distance + 4) / 5 + 1);
      const double flown = std::hypot(shot.x - sx, shot.y - sy);
      const double off_line = std::hypot(sx + dx * flown / std::hypot(dx, dy) - shot.x,
                                         sy + dy * flown / std::hypot(dx, dy) - shot.y);
      EXPECT_GE(flown, distance - 0.01);
      EXPECT_LE(flown, distance + 4.01);
      EXPECT_LT(off_line, 0.01) << "it flew along the line to its target";
    }
  }
}

// Heading in double from atan2 and 180/pi as single precision; each step rounds the
// product to a float and the difference to a float. At this angle a flight that skips
// the product's rounding, or uses pi/180 in double, ends on other floats.
TEST_F(ShotFlight, ItsStepsFollowTheSinglePrecisionRoundingsExactly) {
  Shot& shot = listed_shot(projectile, 5, 0, 20, 20, 0, 11);
  double heading = std::atan2(-20.0, -9.0) * 57.2957763671875 + 180.0;
  if (heading < 0) heading += 360.0;
  EXPECT_EQ(shot.heading, heading);
  const double radians = heading * 0.01745329238474369;
  float x = 20.0f, y = 20.0f;
  for (int i = 0; i < 5; ++i) {
    x = static_cast<float>(x - static_cast<float>(std::sin(radians) * 5));
    y = static_cast<float>(y - static_cast<float>(std::cos(radians) * 5));
    advance(50);
    ASSERT_EQ(shot.step().action, -1);
    EXPECT_EQ(unit_tests::bits(shot.x), unit_tests::bits(x)) << "step " << i + 1;
    EXPECT_EQ(unit_tests::bits(shot.y), unit_tests::bits(y)) << "step " << i + 1;
  }
  EXPECT_EQ(shot.pos.x, -2) << "-2.8 truncated toward zero";
  EXPECT_EQ(shot.pos.y, 9);
}

TEST_F(ShotFlight, AnExplosionStandsForTenStepsAndTheTenthRemovesIt) {
  Shot& blast = listed_shot(explosion, 0, 10, 50, 60, 51, 61);
  EXPECT_NEAR(blast.heading, 225.0, 1e-4);
  for (int left = 9; left >= 1; --left) {
    advance(49);
    EXPECT_EQ(blast.step().action, -1);
    EXPECT_EQ(blast.range_left, left + 1) << "a step not due does not age it";
    advance(1);
    EXPECT_EQ(blast.step().action, -1);
    EXPECT_EQ(blast.range_left, left);
    EXPECT_EQ(blast.pos.x, 50);
    EXPECT_EQ(blast.pos.y, 60);
  }
  advance(50);
  EXPECT_EQ(blast.step().action, 0) << "the tenth step, 500 ms after creation";
}

TEST_F(ShotFlight, AProjectileIsTwoByTwoRedAndAnExplosionShowsItsPicture) {
  Shot& shot = listed_shot(projectile, 5, 0, 10, 10, 20, 20);
  ASSERT_NE(shot.image, nullptr);
  EXPECT_EQ(shot.image->w, 2);
  EXPECT_EQ(shot.image->h, 2);
  for (int i = 0; i < 4; ++i) {
    Uint8 r, g, b;
    SDL_GetRGB(static_cast<Uint32*>(shot.image->pixels)[i], shot.image->format, &r, &g, &b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
  }
  Shot& blast = listed_shot(explosion, 0, 10, 10, 10, 11, 11);
  ASSERT_NE(blast.image, nullptr);
  EXPECT_GT(blast.image->w, 2);
}

TEST_F(ShotFlight, ExtremeStartAndTargetGiveTheTruePathLength) {
  // 65535 * sqrt(2) = 92680.4: the sum of squares is past 2^33.
  Shot& corner_to_corner = listed_shot(projectile, 5, 0, -32768, -32768, 32767, 32767);
  EXPECT_EQ(corner_to_corner.range_left, 92680);
  EXPECT_NEAR(corner_to_corner.heading, 225.0, 1e-4);
  Shot& back = listed_shot(projectile, 5, 0, 32767, 32767, -32767, -32767);
  EXPECT_EQ(back.range_left, 92679);
  EXPECT_NEAR(back.heading, 45.0, 1e-4);
  Shot& along_x = listed_shot(projectile, 5, 0, -32767, 0, 32767, 0);
  EXPECT_EQ(along_x.range_left, 65534);
  // An ordinary distance whose squares a 32-bit sum still holds gives the same answer.
  Shot& ordinary = listed_shot(projectile, 5, 0, 0, 0, 30000, 30000);
  EXPECT_EQ(ordinary.range_left, 42426);

  advance(50);
  EXPECT_EQ(corner_to_corner.step().action, -1);
  EXPECT_EQ(corner_to_corner.range_left, 92675);
  EXPECT_EQ(corner_to_corner.pos.x, -32764) << "3.54 pixels each way, toward zero";
  EXPECT_EQ(corner_to_corner.pos.y, -32764);

  // Ending at the top corner: the request's target is the position plus one, in 16 bits.
  Shot& at_corner = listed_shot(projectile, 5, 0, 32767, 32767, 32767, 32767);
  advance(50);
  const ShotEvent event = at_corner.step();
  EXPECT_EQ(event.action, 2);
  EXPECT_EQ(event.start_x, 32767);
  EXPECT_EQ(event.target_x, -32768);
}

TEST_F(ShotFlight, AnExplosionWithoutItsPictureStillRunsItsCourseAndIsDrawn) {
  {
    const test_support::ScratchFolder no_gfx("quorvale-nogfx",
                                             test_support::ScratchFolder::Entry::enter);
    ASSERT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), no_gfx.path()));
    listed_shot(projectile, 5, 0, 100, 200, 100, 200);
    advance(50);
    run_shot_pass();
  }
  ASSERT_EQ(world.shots.size(), 1u);
  Shot& blast = *world.shots[0];
  EXPECT_EQ(blast.kind, explosion);
  EXPECT_EQ(blast.image, nullptr);

  // Drawn as a small orange square at its position.
  SDL_Surface* map = test_support::make_map(640, 480, 0);
  Player player;
  draw_frame(map, player);
  Uint8 r, g, b;
  const Uint32 at_blast = static_cast<Uint32*>(
      world.screen->pixels)[blast.pos.x + blast.pos.y * world.screen->pitch / 4];
  SDL_GetRGB(at_blast, world.screen->format, &r, &g, &b);
  EXPECT_EQ((std::vector<int>{r, g, b}), (std::vector<int>{255, 160, 0}));
  SDL_FreeSurface(map);

  for (int i = 1; i < 10; ++i) {
    advance(50);
    run_shot_pass();
    ASSERT_EQ(world.shots.size(), 1u) << "step " << i;
  }
  advance(50);
  run_shot_pass();
  EXPECT_TRUE(world.shots.empty()) << "removed on its tenth step like any explosion";
}
