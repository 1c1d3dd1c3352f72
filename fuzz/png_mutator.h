/*
 * Mutations of a PNG file that know its chunks: a chunk's length made to lie (one past
 * its data, past the end of the file, PNG's limit and beyond), its type changed, its CRC
 * mended or broken, chunks swapped, repeated, dropped or added, the file truncated, and a
 * chunk's data mutated with its CRC mended, so that the decoder reads on past the CRC
 * check. Pure functions of their arguments and seed; safe on any thread.
 */
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz/snapshot_mutator.h"

// Applies one to three chunk edits to the file in `data`, or (one time in four) hands the
// whole file to `bytes`; returns the new size, at most `max_size`.
std::size_t mutate_png_file(uint8_t* data, std::size_t size, std::size_t max_size, unsigned seed,
                            ByteMutator bytes);

// Writes into `out` the chunks of `a` up to a point, then those of `b` from a point;
// returns its size, at most `max_out`.
std::size_t cross_png_files(const uint8_t* a, std::size_t a_size, const uint8_t* b,
                            std::size_t b_size, uint8_t* out, std::size_t max_out, unsigned seed);
