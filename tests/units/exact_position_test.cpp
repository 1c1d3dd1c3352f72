#include <SDL/SDL.h>

#include <cmath>

#include "game_fixture.h"
#include "unit_builders.h"
#include "units/unit.h"
#include "units/unit_types.h"

using unit_tests::advance;
using unit_tests::bits;
using unit_tests::listed_unit;

namespace {

struct Point {
  float x;
  float y;
};

// One step by the rule, each rounding written out: the angle is heading times pi/180 as
// single precision, rounded to a float; sin and cos of it rounded to floats; each times
// the speed rounded to a float; subtracted from the position in single precision.
Point step_by_the_rule(Point p, int heading, int speed) {
  const double factor = 0.01745329238474369;
  const float angle = static_cast<float>(static_cast<double>(heading) * factor);
  const float sine = static_cast<float>(std::sin(static_cast<double>(angle)));
  const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
  const float dx = sine * static_cast<float>(speed);
  const float dy = cosine * static_cast<float>(speed);
  p.x = p.x - dx;
  p.y = p.y - dy;
  return p;
}

// The shortcut the rule rules out: everything in double, rounded once at the end.
Point steps_in_double(Point p, int heading, int speed, int steps) {
  const double angle = heading * (M_PI / 180.0);
  double x = p.x, y = p.y;
  for (int i = 0; i < steps; ++i) {
    x -= std::sin(angle) * speed;
    y -= std::cos(angle) * speed;
  }
  return Point{static_cast<float>(x), static_cast<float>(y)};
}

constexpr Point start{100.3f, 200.7f};
constexpr int speed = 7;
constexpr int steps = 5;

}  // namespace

using ExactPosition = GameTest;

TEST_F(ExactPosition, StepsMatchTheSinglePrecisionRuleBitForBit) {
  SDL_Surface* map = test_support::make_map(10, 10, 0);
  // At 10, 13 and 122 leaving out any one of the roundings (the angle, sin and cos in
  // float, each product) changes the result within five steps; at 51, so does pi/180 in double.
  for (int heading : {0, 90, 45, 333, 10, 13, 51, 122}) {
    SCOPED_TRACE(heading);
    Unit& plane = listed_unit(airplane, start.x, start.y, heading, speed);
    Point expected = start;
    for (int i = 0; i < steps; ++i) {
      advance(50);
      plane.step(map);
      expected = step_by_the_rule(expected, heading, speed);
      EXPECT_EQ(bits(plane.x), bits(expected.x)) << "step " << i + 1;
      EXPECT_EQ(bits(plane.y), bits(expected.y)) << "step " << i + 1;
    }
    EXPECT_EQ(plane.pos.x, static_cast<int>(expected.x));
    EXPECT_EQ(plane.pos.y, static_cast<int>(expected.y));
  }
  SDL_FreeSurface(map);
}

// The check above would let a double-precision shortcut through if the two agreed on
// these inputs; at headings 45 and 271 they do not (at 0, 90 and 333 they happen to).
TEST_F(ExactPosition, ADoublePrecisionShortcutLandsElsewhere) {
  SDL_Surface* map = test_support::make_map(10, 10, 0);
  for (int heading : {45, 271}) {
    SCOPED_TRACE(heading);
    Unit& plane = listed_unit(airplane, start.x, start.y, heading, speed);
    for (int i = 0; i < steps; ++i) {
      advance(50);
      plane.step(map);
    }
    const Point shortcut = steps_in_double(start, heading, speed, steps);
    EXPECT_NE(bits(plane.x), bits(shortcut.x));
    EXPECT_NE(bits(plane.y), bits(shortcut.y));
  }
  SDL_FreeSurface(map);
}
