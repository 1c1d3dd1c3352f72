/*
 * Byte streams a test server sends: whole snapshot messages, exactly as they travel, and
 * the marker message whose warnings show in the client's output that it has read and
 * applied everything sent before it.
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/snapshot_format.h"

namespace test_support {

// Each marker the client applies prints this many "HAXXOR DETEKTED!" lines in a row.
constexpr int marker_warnings = snapshot_max_records - 1;

// One 1024-byte message: the count byte as given, the records from byte 8 on, and
// `filler` in every byte the client must not read.
std::string snapshot_message(uint8_t count_byte, const std::vector<UnitRecord>& records,
                             unsigned char filler = 0);

// A message listing one airplane `id` 63 times, standing still and jumping between two
// points, so its 62 later records each print a warning: a block no other stream makes.
// `count_byte` may name more records than fit (64..127): the 63 that fit are the same.
std::string marker_message(int16_t id, uint8_t count_byte = snapshot_max_records);

// The output of `count` markers applied in a row.
std::string marker_output(int count);

// How many marker blocks `output` holds.
std::size_t markers_in(const std::string& output);

// `size` bytes of a fixed pseudo-random sequence; the same for the same seed.
std::string garbage_bytes(std::size_t size, uint32_t seed);

}  // namespace test_support
