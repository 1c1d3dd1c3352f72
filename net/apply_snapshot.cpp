#include "net/apply_snapshot.h"

#include <cmath>
#include <cstdio>

#include "core/world.h"
#include "units/truncate.h"
#include "units/unit.h"

namespace {

// Further from the unit's present position than twice its speed allows? The distance
// is the truncated root of the squared whole-pixel offsets. Worked in doubles, which
// hold every ordinary offset exactly and cannot overflow for positions beyond the
// 32-bit range; a negative speed therefore flags every update.
bool implausible_jump(const Unit& unit, const UnitRecord& record) {
  const double dx = static_cast<double>(truncate_to_i32(record.x)) - truncate_to_i32(unit.x);
  const double dy = static_cast<double>(truncate_to_i32(record.y)) - truncate_to_i32(unit.y);
  const double dist = std::floor(std::sqrt(dx * dx + dy * dy));
  const double limit = 2.0 * unit.speed;
  return dist > limit;
}

void refresh(Unit& unit, const UnitRecord& record) {
  if (implausible_jump(unit, record)) std::printf("HAXXOR DETEKTED!\n");
  // The type is ignored and pos waits for the unit's next step.
  unit.x = record.x;
  unit.y = record.y;
  unit.heading = record.heading;
  unit.speed = record.speed;
  unit.stale = false;
}

void sweep_stale_units() {
  std::size_t position = 0;
  while (position < world.units.size()) {
    if (world.units[position]->stale)
      world.remove_unit(position);
    else
      ++position;
  }
}

}  // namespace

void apply_snapshot(const UnitRecord* records, int count) {
  for (Unit* unit : world.units) unit->stale = true;
  for (int i = 0; i < count; ++i) {
    const UnitRecord& record = records[i];
    bool found = false;
    for (std::size_t position = 0; position < world.units.size(); ++position) {
      Unit& unit = *world.units[position];
      if (unit.id != record.id) continue;
      refresh(unit, record);
      found = true;
    }
    if (!found) {
      std::printf("New entity added!\n");
      world.units.push_back(new Unit(record));
    }
  }
  sweep_stale_units();
}
