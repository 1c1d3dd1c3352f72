/*
 * Mutations of a snapshot stream that know its format: the stream is edited as
 * 1024-byte messages, each a count, a frame script and records, with the values at
 * which the client's decisions turn (counts at the signed byte's and the record
 * table's limits, ids from a small pool so that units are refreshed, removed and
 * created again, positions on the fuzz map's edges and borders and beyond any map,
 * speeds and headings past their limits, and the keys, buttons and clock of the frame
 * script). Pure functions of their arguments and seed; safe on any thread.
 */
#pragma once

#include <cstddef>
#include <cstdint>

// Byte-level mutation of `size` bytes in a buffer of `max_size`; returns the new size.
using ByteMutator = std::size_t (*)(uint8_t* data, std::size_t size, std::size_t max_size);

// Applies one to four structured edits to the stream in `data`, or (one time in four)
// hands the whole stream to `bytes`; returns the new size. After an edit that is a
// whole number of messages no larger than `max_size` (which must hold one message).
std::size_t mutate_snapshot_stream(uint8_t* data, std::size_t size, std::size_t max_size,
                                   unsigned seed, ByteMutator bytes);

// Writes into `out` a stream made of messages of `a` and of `b` (a run of each, or the
// two interleaved, or records of one put into messages of the other); returns its size.
std::size_t cross_snapshot_streams(const uint8_t* a, std::size_t a_size, const uint8_t* b,
                                   std::size_t b_size, uint8_t* out, std::size_t max_out,
                                   unsigned seed);
