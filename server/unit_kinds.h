/*
 * The unit types the snapshot server puts in its world.
 *
 * A kind adds what is the server's own to a type of the rulebook (units/unit_types.h,
 * which holds the speed limits and the terrain): its name and the narrower cruising
 * speeds this server picks from, so units stay watchable and never go backwards (the
 * client flags every negative speed). The table is constant and safe to read from any
 * thread.
 */
#pragma once

#include <array>
#include <cstdint>

#include "units/unit_types.h"

struct UnitKind {
  int16_t type;
  const char* name;
  int16_t cruise_min;
  int16_t cruise_max;

  // The rulebook's row of the type: speed limits and terrain.
  const UnitTypeRow& rules() const { return unit_type_row(type); }
};

constexpr int unit_kind_count = commander - unknown_enemy + 1;

// Every kind, ordered from infantry to commander with the unknown enemy last.
const std::array<UnitKind, unit_kind_count>& unit_kinds();

// The kind of a type number from -1 to 7.
const UnitKind& unit_kind(int16_t type);
