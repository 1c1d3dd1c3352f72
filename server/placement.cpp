#include "server/placement.h"

namespace {

constexpr int random_tries = 300;
// Scanning stops looking for a clear course after this many terrain pixels.
constexpr int scan_course_tries = 2000;

// A course from the pixel at (px, py) for a unit of `kind`, starting in a random direction.
Placement settle_at(const Steering& steering, SeededRandom& random, const UnitKind& kind, int px,
                    int py) {
  const float x = px + 0.5f;
  const float y = py + 0.5f;
  const Course wanted{normal_heading(random.between(0, 359)),
                      static_cast<int16_t>(random.between(kind.cruise_min, kind.cruise_max))};
  const int turn_sign = random.one_in(2) ? 1 : -1;
  return {x, y, steering.find_course(kind, x, y, wanted, turn_sign)};
}

// Whether a placed unit can set off (or is a kind that never moves).
bool is_settled(const UnitKind& kind, const Placement& placement) {
  return kind.cruise_max == 0 || placement.course.speed > 0;
}

}  // namespace

std::optional<Placement> place_unit(const TerrainMap& map, const Steering& steering,
                                    SeededRandom& random, const UnitKind& kind, const Area& area) {
  if (area.empty()) return std::nullopt;
  for (int attempt = 0; attempt < random_tries; ++attempt) {
    const int px = random.between(area.left, area.right - 1);
    const int py = random.between(area.top, area.bottom - 1);
    if (!map.allows(kind.rules().terrain, px, py)) continue;
    const Placement placement = settle_at(steering, random, kind, px, py);
    if (is_settled(kind, placement)) return placement;
  }
  const long width = area.right - area.left;
  const long pixels = width * (area.bottom - area.top);
  const long start = random.between(0, static_cast<int>(pixels - 1));
  std::optional<Placement> stopped;
  int course_tries = 0;
  for (long i = 0; i < pixels; ++i) {
    const long index = (start + i) % pixels;
    const int px = area.left + static_cast<int>(index % width);
    const int py = area.top + static_cast<int>(index / width);
    if (!map.allows(kind.rules().terrain, px, py)) continue;
    const Placement placement = settle_at(steering, random, kind, px, py);
    if (is_settled(kind, placement)) return placement;
    if (!stopped) stopped = placement;
    if (++course_tries >= scan_course_tries) break;
  }
  return stopped;
}

bool area_has_terrain(const TerrainMap& map, Terrain terrain, const Area& area) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (map.allows(terrain, x, y)) return true;
  return false;
}
