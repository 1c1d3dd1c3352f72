#include "server/unit_kinds.h"

const std::array<UnitKind, unit_kind_count>& unit_kinds() {
  static const std::array<UnitKind, unit_kind_count> kinds{{
      {infantry, "infantry", 1, 3},
      {tank, "tank", 2, 4},
      {airplane, "airplane", 5, 8},
      {cruiser, "cruiser", 2, 5},
      {aa_tank, "aa_tank", 2, 4},
      {saboteur, "saboteur", 1, 4},
      {ducky, "ducky", 3, 6},
      {commander, "commander", 2, 5},
      {unknown_enemy, "unknown_enemy", 0, 0},
  }};
  return kinds;
}

const UnitKind& unit_kind(int16_t type) {
  for (const UnitKind& kind : unit_kinds())
    if (kind.type == type) return kind;
  return unit_kinds().back();
}
