#include "core/world.h"

#include "units/shot.h"
#include "units/unit.h"

World world;

void World::remove_unit(std::size_t position) {
  Unit* unit = units[position];
  if (on_unit_removed) on_unit_removed(unit);
  SDL_FreeSurface(unit->image);
  delete unit;
  units.erase(units.begin() + static_cast<std::ptrdiff_t>(position));
}

void World::remove_shot(std::size_t position) {
  Shot* shot = shots[position];
  SDL_FreeSurface(shot->image);
  delete shot;
  shots.erase(shots.begin() + static_cast<std::ptrdiff_t>(position));
}

void World::clear() {
  while (!units.empty()) remove_unit(units.size() - 1);
  while (!shots.empty()) remove_shot(shots.size() - 1);
}
