/*
 * One 50 ms motion step, computed exactly as the client computes it.
 *
 * The client moves every unit itself between snapshots; the server moves its own
 * units with this same float arithmetic and the same passability test, so the two
 * land on identical positions and the client's plausibility check stays quiet.
 * Pure functions; safe on any thread that owns the map.
 */
#pragma once

#include <cstdint>

#include "server/terrain_map.h"

// How far one step moves: the client subtracts dx from x and dy from y.
struct StepDelta {
  float dx;
  float dy;
};

// The per-step movement for a heading in whole degrees and a speed.
StepDelta step_delta(int16_t heading, int16_t speed);

// Takes one step as the client does: moves (x, y) and returns true if the
// client's terrain test lets the unit through, otherwise leaves it and returns false.
bool take_client_step(const TerrainMap& map, Terrain terrain, const StepDelta& delta, float& x,
                      float& y);
