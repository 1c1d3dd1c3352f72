/*
 * Bringing the World's unit list into line with one snapshot.
 *
 * Refreshes every listed unit (warning on an implausible jump), creates a Unit for
 * every new id, and removes every unit the snapshot no longer lists. Main thread only.
 */
#pragma once

#include "net/snapshot_format.h"

// Applies `count` records (0 or below: none, which empties the unit list).
void apply_snapshot(const UnitRecord* records, int count);
