/*
 * Where new units go: a spot of the unit's own terrain inside an area, from which
 * it can set off on a clear course.
 *
 * Random spots are tried first; if the terrain is scarce, the area is scanned from
 * a random start so a unit is still placed wherever one pixel of its terrain is.
 * Stateless apart from the random generator it is handed. Single thread.
 */
#pragma once

#include <optional>

#include "server/seeded_random.h"
#include "server/steering.h"
#include "server/terrain_map.h"
#include "server/unit_kinds.h"

struct Placement {
  float x;
  float y;
  Course course;
};

// A spot and course for a unit of `kind` inside `area`, or none if the area has no
// pixel of its terrain. The course may have speed 0 if nowhere offers a clear one.
std::optional<Placement> place_unit(const TerrainMap& map, const Steering& steering,
                                    SeededRandom& random, const UnitKind& kind, const Area& area);

// Whether the area holds at least one pixel a unit of this terrain may stand on.
bool area_has_terrain(const TerrainMap& map, Terrain terrain, const Area& area);
