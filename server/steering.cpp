#include "server/steering.h"

#include <algorithm>
#include <cmath>

#include "server/client_step.h"

namespace {

constexpr int turn_increment = 30;
// Look at least this many pixels ahead, so slow units turn before they touch a shore.
constexpr int lookahead_pixels = 32;
constexpr double degrees_per_radian = 57.29577951308232;

}  // namespace

int16_t normal_heading(int heading) { return static_cast<int16_t>(((heading % 360) + 360) % 360); }

Steering::Steering(const TerrainMap& map, int steps_per_tick_max)
    : map_(map),
      interior_{edge_margin, edge_margin, map.width() - edge_margin, map.height() - edge_margin},
      steps_per_tick_max_(std::max(1, steps_per_tick_max)) {}

int Steering::lookahead(int16_t speed) const {
  const int by_distance = speed > 0 ? (lookahead_pixels + speed - 1) / speed : 0;
  return std::max(steps_per_tick_max_ + 2, by_distance);
}

bool Steering::is_clear(Terrain terrain, float x, float y, const Course& course) const {
  const StepDelta delta = step_delta(course.heading, course.speed);
  for (int step = lookahead(course.speed); step > 0; --step) {
    if (!take_client_step(map_, terrain, delta, x, y)) return false;
    const int32_t px = static_cast<int32_t>(x);
    const int32_t py = static_cast<int32_t>(y);
    // The client's test probes near the new spot, not on it: check where the unit ends up too.
    if (!interior_.contains(px, py) || !map_.allows(terrain, px, py)) return false;
  }
  return true;
}

Course Steering::find_course(const UnitKind& kind, float x, float y, const Course& wanted,
                             int turn_sign) const {
  if (kind.cruise_max <= 0) return {wanted.heading, 0};
  const int16_t slowest = static_cast<int16_t>(std::max<int>(1, kind.min_speed));
  const int16_t first_speed = std::max(wanted.speed, slowest);
  const int sign = turn_sign < 0 ? -1 : 1;
  for (const int16_t speed : {first_speed, slowest}) {
    for (int turn = 0; turn <= 180; turn += turn_increment) {
      for (const int side : {sign, -sign}) {
        const Course course{normal_heading(wanted.heading + side * turn), speed};
        if (is_clear(kind.terrain, x, y, course)) return course;
        if (turn == 0 || turn == 180) break;
      }
    }
    if (speed == slowest) break;
  }
  if (kind.min_speed <= 0) return {wanted.heading, 0};
  // Units that may never stop head for the middle; the client moves them anywhere.
  const double to_x = (interior_.left + interior_.right) / 2.0 - x;
  const double to_y = (interior_.top + interior_.bottom) / 2.0 - y;
  const double degrees = std::atan2(-to_x, -to_y) * degrees_per_radian;
  return {normal_heading(static_cast<int>(std::lround(degrees))), slowest};
}
