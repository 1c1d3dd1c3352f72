#include "server/client_step.h"

#include <cmath>

StepDelta step_delta(int16_t heading, int16_t speed) {
  const float angle = static_cast<float>(heading * 0.01745329238474369);
  const float sine = static_cast<float>(std::sin(static_cast<double>(angle)));
  const float cosine = static_cast<float>(std::cos(static_cast<double>(angle)));
  return {static_cast<float>(sine * speed), static_cast<float>(cosine * speed)};
}

bool take_client_step(const TerrainMap& map, Terrain terrain, const StepDelta& delta, float& x,
                      float& y) {
  // The client tests the pixel at the truncated position minus the truncated delta.
  const int32_t probe_x = static_cast<int32_t>(x) - static_cast<int32_t>(delta.dx);
  const int32_t probe_y = static_cast<int32_t>(y) - static_cast<int32_t>(delta.dy);
  if (!map.allows(terrain, probe_x, probe_y)) return false;
  x -= delta.dx;
  y -= delta.dy;
  return true;
}
