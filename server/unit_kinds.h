/*
 * The unit types the snapshot server puts in its world.
 *
 * Each kind carries the client's rules for its type (speed limits, terrain it may
 * move on) and the narrower cruising speeds this server picks from, so units stay
 * watchable and never go backwards (the client flags every negative speed). The
 * table is constant and safe to read from any thread.
 */
#pragma once

#include <array>
#include <cstdint>

enum class Terrain { land, water, any };

struct UnitKind {
  int16_t type;
  const char* name;
  int16_t min_speed;
  int16_t max_speed;
  Terrain terrain;
  int16_t cruise_min;
  int16_t cruise_max;
};

constexpr int16_t lowest_unit_type = -1;
constexpr int16_t highest_unit_type = 7;
constexpr int unit_kind_count = highest_unit_type - lowest_unit_type + 1;

// Every kind, ordered from infantry to commander with the unknown enemy last.
const std::array<UnitKind, unit_kind_count>& unit_kinds();

// The kind of a type number from -1 to 7.
const UnitKind& unit_kind(int16_t type);
