#include "server/simulated_world.h"

#include <algorithm>

#include "server/placement.h"
#include "units/unit_motion.h"
#include "view/screen_size.h"

namespace {

// Units turn on their own every 2 to 8 s and one unit is replaced every 2 to 6 s.
constexpr int turn_steps_min = 40;
constexpr int turn_steps_max = 160;
constexpr int replace_steps_min = 40;
constexpr int replace_steps_max = 120;
constexpr int max_turn_degrees = 75;

// The pixels two areas share.
Area overlap(const Area& a, const Area& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

}  // namespace

SimulatedWorld::SimulatedWorld(const TerrainMap& map, const WorldSettings& settings)
    : map_(map),
      steering_(map, settings.steps_per_tick_max),
      random_(settings.seed),
      view_(overlap(steering_.interior(), {0, 0, screen_width, screen_height})) {
  std::vector<const UnitKind*> placeable;
  for (const UnitKind& kind : unit_kinds())
    if (area_has_terrain(map_, kind.rules().terrain, steering_.interior()))
      placeable.push_back(&kind);
  const int count = std::clamp(settings.unit_count, 0, snapshot_max_records);
  for (int i = 0; i < count; ++i)
    units_.push_back(make_unit(*placeable[i % placeable.size()], i % 3 == 0));
  steps_to_replace_ = random_.between(replace_steps_min, replace_steps_max);
}

WorldUnit SimulatedWorld::make_unit(const UnitKind& kind, bool in_view) {
  std::optional<Placement> placement;
  if (in_view) placement = place_unit(map_, steering_, random_, kind, view_);
  if (!placement) placement = place_unit(map_, steering_, random_, kind, steering_.interior());
  // The kind was chosen because the interior holds its terrain, so a placement exists.
  const Placement spot = placement.value_or(
      Placement{0.5f + steering_.interior().left, 0.5f + steering_.interior().top, {0, 0}});
  return {fresh_id(), kind.type,   spot.x,
          spot.y,     spot.course, random_.between(turn_steps_min, turn_steps_max)};
}

int16_t SimulatedWorld::fresh_id() {
  for (;;) {
    last_id_ = static_cast<int16_t>(last_id_ == INT16_MAX ? 1 : last_id_ + 1);
    const bool in_use = std::any_of(units_.begin(), units_.end(),
                                    [&](const WorldUnit& unit) { return unit.id == last_id_; });
    if (!in_use) return last_id_;
  }
}

void SimulatedWorld::advance(int steps) {
  if (steps <= 0) return;
  for (WorldUnit& unit : units_) move(unit, steps);
  for (WorldUnit& unit : units_) {
    unit.steps_to_turn -= steps;
    steer(unit);
  }
  steps_to_replace_ -= steps;
  if (steps_to_replace_ <= 0 && !units_.empty()) {
    replace_a_unit();
    steps_to_replace_ = random_.between(replace_steps_min, replace_steps_max);
  }
}

void SimulatedWorld::move(WorldUnit& unit, int steps) const {
  if (unit.course.speed == 0) return;
  UnitMotion motion =
      steady_motion(unit.type, unit.x, unit.y, unit.course.heading, unit.course.speed);
  for (int i = 0; i < steps; ++i) take_step(motion, map_);
  unit.x = motion.x;
  unit.y = motion.y;
}

void SimulatedWorld::steer(WorldUnit& unit) {
  const UnitKind& kind = unit_kind(unit.type);
  if (kind.cruise_max <= 0) return;
  if (unit.steps_to_turn <= 0) {
    unit.steps_to_turn = random_.between(turn_steps_min, turn_steps_max);
    const Course turned{
        normal_heading(unit.course.heading + random_.between(-max_turn_degrees, max_turn_degrees)),
        static_cast<int16_t>(random_.between(kind.cruise_min, kind.cruise_max))};
    if (steering_.is_clear(kind, unit.x, unit.y, turned)) {
      unit.course = turned;
      return;
    }
  }
  if (unit.course.speed > 0 && steering_.is_clear(kind, unit.x, unit.y, unit.course)) return;
  const int16_t speed =
      unit.course.speed > 0
          ? unit.course.speed
          : static_cast<int16_t>(random_.between(kind.cruise_min, kind.cruise_max));
  const int turn_sign = random_.one_in(2) ? 1 : -1;
  unit.course =
      steering_.find_course(kind, unit.x, unit.y, {unit.course.heading, speed}, turn_sign);
}

void SimulatedWorld::replace_a_unit() {
  const int index = random_.between(0, static_cast<int>(units_.size()) - 1);
  const UnitKind& kind = unit_kind(units_[index].type);
  // The leaver's id is still in the list while the newcomer's is chosen, so they differ.
  units_[index] = make_unit(kind, random_.one_in(3));
}

void SimulatedWorld::encode(SnapshotMessage& message) const {
  UnitRecord records[snapshot_max_records];
  const int count = static_cast<int>(units_.size());
  for (int i = 0; i < count; ++i) {
    const WorldUnit& unit = units_[i];
    records[i] = {unit.x, unit.y, unit.course.heading, unit.course.speed, unit.type, unit.id};
  }
  encode_snapshot(records, count, message.bytes);
}
