/*
 * The unit types: what each type number looks like and how it may move, and the terrain
 * kinds a type is held to: with the step (unit_motion.h), the rulebook the client and the
 * server share; plain data, safe to read from any thread.
 *
 * A unit takes its row once, when it is built; the table itself never changes.
 */
#pragma once

#include <cstdint>

enum UnitType {
  unknown_enemy = -1,
  infantry = 0,
  tank = 1,
  airplane = 2,
  cruiser = 3,
  aa_tank = 4,
  saboteur = 5,
  ducky = 6,
  commander = 7,
};

// Which map pixels a unit may enter.
enum Terrain { land = 0, water = 1, any = 2 };

// The map's raw pixels (0x00RRGGBB) that are terrain; every other value, and everything
// outside the map, is closed to land and water units alike.
constexpr uint32_t land_pixel = 0x808000;   // red 128, green 128, blue 0
constexpr uint32_t water_pixel = 0x0080FF;  // red 0, green 128, blue 255

struct UnitTypeRow {
  const char* image_file;  // as the game writes it, with a backslash after gfx
  int min_speed;
  int max_speed;
  int accel;
  int decel;
  int turn_rate;
  Terrain terrain;
};

// The row of a type number. A number outside -1..7 gets the unknown enemy's row: shown
// as an unknown enemy, not steerable, and free of terrain, so it follows the server.
const UnitTypeRow& unit_type_row(int type);
