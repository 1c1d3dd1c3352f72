#include "view/player.h"

#include <stdexcept>

#include "core/world.h"

Player::Player() {
  world.on_unit_removed = [this](const Unit* removed) {
    if (unit == removed) unit = nullptr;
  };
}

Player::~Player() { world.on_unit_removed = nullptr; }

void Player::select_unit(int32_t index) {
  // Taken as unsigned, a negative index is always out of range.
  try {
    unit = world.units.at(static_cast<uint32_t>(index));
  } catch (const std::out_of_range&) {
    unit = nullptr;
  }
}
