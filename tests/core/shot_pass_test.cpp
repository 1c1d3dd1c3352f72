#include <SDL/SDL.h>

#include <cstdlib>
#include <set>

#include "core/shot_pass.h"
#include "core/world.h"
#include "game_fixture.h"
#include "units/shot.h"

namespace {

// A shot to be listed by the test itself.
Shot* new_shot(int kind, int speed, int life, int16_t sx, int16_t sy, int16_t tx, int16_t ty) {
  return new Shot(kind, speed, life, sx, sy, tx, ty);
}

// Moves the test clock on by `ms`.
void advance(Uint32 ms) { test_support::now += ms; }

// The value rand gives after `calls` draws from `seed`: tells how many draws a pass made.
int rand_after(unsigned seed, int calls) {
  std::srand(seed);
  for (int i = 0; i < calls; ++i) std::rand();
  return std::rand();
}

}  // namespace

using ShotPass = GameTest;

// [A kept, B ending as a projectile, C ending as an explosion] becomes [A, E]: C moves up
// into B's place and is still stepped, and E is reached in the same pass.
TEST_F(ShotPass, ReplacesAnEndedProjectileAndStillStepsTheShotThatMovesUpBehindIt) {
  Shot* b = new_shot(projectile, 5, 0, 100, 200, 100, 200);
  Shot* c = new_shot(explosion, 0, 1, 300, 300, 301, 301);
  advance(50);
  Shot* a = new_shot(projectile, 5, 0, 10, 10, 50, 50);  // its first step is not yet due
  world.shots = {a, b, c};

  const unsigned seed = 7;
  std::srand(seed);
  run_shot_pass();

  ASSERT_EQ(world.shots.size(), 2u);
  EXPECT_EQ(world.shots[0], a);
  Shot* e = world.shots[1];
  EXPECT_EQ(e->kind, explosion);
  EXPECT_EQ(e->start.x, 100);
  EXPECT_EQ(e->start.y, 200);
  EXPECT_EQ(e->range_left, 10) << "reached in the same pass but not yet due, so not aged";
  const int next_draw = std::rand();
  EXPECT_EQ(next_draw, rand_after(seed, 4)) << "two shakes of two draws: C's and E's";
  EXPECT_EQ(a->pos.x, 10);
  EXPECT_EQ(a->pos.y, 10);
}

TEST_F(ShotPass, ProjectilesAreNeverShaken) {
  world.shots = {new_shot(projectile, 5, 0, 10, 10, 300, 300),
                 new_shot(projectile, 5, 0, 400, 20, 0, 0)};
  const unsigned seed = 11;
  std::srand(seed);
  for (int pass = 0; pass < 20; ++pass) run_shot_pass();
  EXPECT_EQ(world.shots[0]->pos.x, 10);
  EXPECT_EQ(world.shots[0]->pos.y, 10);
  EXPECT_EQ(world.shots[1]->pos.x, 400);
  EXPECT_EQ(world.shots[1]->pos.y, 20);
  const int next_draw = std::rand();
  EXPECT_EQ(next_draw, rand_after(seed, 0)) << "no draw at all for projectiles";
}

TEST_F(ShotPass, TheShakeMovesSidewaysOrUpButNeverDownAndBuildsUpBetweenSteps) {
  Shot* blast = new_shot(explosion, 0, 10, 100, 200, 101, 201);
  world.shots = {blast};
  std::srand(12345);
  std::set<int> x_moves, y_moves;
  for (int pass = 0; pass < 150; ++pass) {
    const int x = blast->pos.x, y = blast->pos.y;
    run_shot_pass();
    x_moves.insert(blast->pos.x - x);
    y_moves.insert(blast->pos.y - y);
  }
  EXPECT_EQ(x_moves, (std::set<int>{-1, 0, 1}));
  EXPECT_EQ(y_moves, (std::set<int>{-1, 0}));
  EXPECT_LT(blast->pos.y, 200) << "the shake builds up between steps";
}

// On a frame with a step the shake comes first and the step puts the explosion back on
// its exact position. Each frame's draws are chosen to shake it, whatever the C library's
// sequence, so a shake after the step would show.
TEST_F(ShotPass, TheStepComesAfterTheShakeSoEveryStepEndsOnTheExactPosition) {
  Shot* blast = new_shot(explosion, 0, 10, 100, 200, 101, 201);
  world.shots = {blast};
  unsigned seed = 0;
  for (int step = 1; step <= 9; ++step) {
    int x_shake = 0, y_shake = 0;
    while (x_shake == 0 && y_shake == 0) {
      std::srand(++seed);
      x_shake = std::rand() % 3 - 1;
      y_shake = std::rand() % 2 - 1;
    }
    std::srand(seed);
    advance(50);
    run_shot_pass();
    ASSERT_EQ(world.shots.size(), 1u);
    EXPECT_EQ(blast->pos.x, 100) << "step " << step << ", shaken by " << x_shake;
    EXPECT_EQ(blast->pos.y, 200) << "step " << step << ", shaken by " << y_shake;
    EXPECT_EQ(blast->range_left, 10 - step);
  }
}

TEST_F(ShotPass, AProjectileFliesFramesLaterAndLeavesOneExplosionThatEndsOnItsOwn) {
  world.shots = {new_shot(projectile, 5, 0, 100, 100, 110, 100)};
  int frames_with_explosion = 0;
  for (int frame = 0; frame < 60; ++frame) {
    advance(20);  // a frame is 20 ms and more, so steps fall on some frames only
    run_shot_pass();
    ASSERT_LE(world.shots.size(), 1u);
    if (!world.shots.empty() && world.shots[0]->kind == explosion) ++frames_with_explosion;
  }
  EXPECT_TRUE(world.shots.empty());
  // With 20 ms frames a step falls on every third frame (60 ms): the projectile ends on
  // its third step, in frame 8, and the explosion's tenth step comes 600 ms later, in
  // frame 38, so frames 8 to 37 show it.
  EXPECT_EQ(frames_with_explosion, 30);
}
