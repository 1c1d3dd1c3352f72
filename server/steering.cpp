#include "server/steering.h"

#include <algorithm>
#include <cmath>

#include "units/angles.h"
#include "units/unit_motion.h"

namespace {

constexpr int turn_increment = 30;
// Look at least this many pixels ahead, so slow units turn before they touch a shore.
constexpr int lookahead_pixels = 32;

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

bool Steering::is_clear(const UnitKind& kind, float x, float y, const Course& course) const {
  UnitMotion motion = steady_motion(kind.type, x, y, course.heading, course.speed);
  for (int step = lookahead(course.speed); step > 0; --step) {
    if (!take_step(motion, map_)) return false;
    // The step probes near the new spot, not on it: check where the unit ends up too.
    if (!interior_.contains(motion.pos_x, motion.pos_y) ||
        !map_.allows(motion.limits.terrain, motion.pos_x, motion.pos_y))
      return false;
  }
  return true;
}

Course Steering::find_course(const UnitKind& kind, float x, float y, const Course& wanted,
                             int turn_sign) const {
  if (kind.cruise_max <= 0) return {wanted.heading, 0};
  const int16_t slowest = static_cast<int16_t>(std::max<int>(1, kind.rules().min_speed));
  const int16_t first_speed = std::max(wanted.speed, slowest);
  const int sign = turn_sign < 0 ? -1 : 1;
  for (const int16_t speed : {first_speed, slowest}) {
    for (int turn = 0; turn <= 180; turn += turn_increment) {
      for (const int side : {sign, -sign}) {
        const Course course{normal_heading(wanted.heading + side * turn), speed};
        if (is_clear(kind, x, y, course)) return course;
        if (turn == 0 || turn == 180) break;
      }
    }
    if (speed == slowest) break;
  }
  if (kind.rules().min_speed <= 0) return {wanted.heading, 0};
  // Units that may never stop head for the middle; the client moves them anywhere.
  const double to_x = (interior_.left + interior_.right) / 2.0 - x;
  const double to_y = (interior_.top + interior_.bottom) / 2.0 - y;
  return {normal_heading(static_cast<int>(std::lround(heading_toward(to_x, to_y)))), slowest};
}
