/*
 * What the fuzz targets that run the server's world hold each of its snapshots to.
 */
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "net/snapshot_format.h"

// The message reports each of the world's `units` units, every id once; returns their
// records, for a target's checks of its own.
inline std::vector<UnitRecord> require_each_unit_once(const SnapshotMessage& message, int units) {
  require(snapshot_count_byte(message.bytes) == units, "every unit reported");
  std::vector<UnitRecord> records;
  std::set<int16_t> ids;
  for (int i = 0; i < units; ++i) {
    records.push_back(
        decode_unit_record(message.bytes + snapshot_records_offset + unit_record_size * i));
    ids.insert(records.back().id);
  }
  require(static_cast<int>(ids.size()) == units, "distinct ids");
  return records;
}
