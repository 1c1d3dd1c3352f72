#include "units/unit_types.h"

namespace {

const UnitTypeRow unit_type_table[] = {
    {"gfx\\unknownenemy.png", 0, 0, 0, 0, 0, any},        // -1 unknown_enemy
    {"gfx\\infantry.png", -4, 6, 2, 2, 5, land},          // 0 infantry
    {"gfx\\tank.png", -6, 12, 2, 3, 5, land},             // 1 tank
    {"gfx\\airplane.png", 5, 25, 5, 5, 5, any},           // 2 airplane
    {"gfx\\cruiser.png", -5, 10, 2, 2, 5, water},         // 3 cruiser
    {"gfx\\aa_tank.png", -6, 12, 2, 3, 5, land},          // 4 aa_tank
    {"gfx\\saboteur.png", -6, 8, 2, 2, 5, land},          // 5 saboteur
    {"gfx\\ducky.png", -5, 15, 5, 5, 5, water},           // 6 ducky
    {"gfx\\commander.png", -100, 100, 100, 100, 5, any},  // 7 commander
};

}  // namespace

const UnitTypeRow& unit_type_row(int type) {
  if (type < unknown_enemy || type > commander) return unit_type_table[0];
  return unit_type_table[type + 1];
}
