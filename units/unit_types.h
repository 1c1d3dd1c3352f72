/*
 * The unit types: what each type number looks like and how it may move.
 *
 * A unit takes its row once, when it is built; the table itself never changes.
 */
#pragma once

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
