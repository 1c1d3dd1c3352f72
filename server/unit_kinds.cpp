#include "server/unit_kinds.h"

const std::array<UnitKind, unit_kind_count>& unit_kinds() {
  static const std::array<UnitKind, unit_kind_count> kinds{{
      {0, "infantry", -4, 6, Terrain::land, 1, 3},
      {1, "tank", -6, 12, Terrain::land, 2, 4},
      {2, "airplane", 5, 25, Terrain::any, 5, 8},
      {3, "cruiser", -5, 10, Terrain::water, 2, 5},
      {4, "aa_tank", -6, 12, Terrain::land, 2, 4},
      {5, "saboteur", -6, 8, Terrain::land, 1, 4},
      {6, "ducky", -5, 15, Terrain::water, 3, 6},
      {7, "commander", -100, 100, Terrain::any, 2, 5},
      {-1, "unknown_enemy", 0, 0, Terrain::any, 0, 0},
  }};
  return kinds;
}

const UnitKind& unit_kind(int16_t type) {
  for (const UnitKind& kind : unit_kinds())
    if (kind.type == type) return kind;
  return unit_kinds().back();
}
