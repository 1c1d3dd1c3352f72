/*
 * A small random number generator whose sequence depends only on its seed.
 *
 * The standard distributions differ between library versions; this one is
 * SplitMix64 with explicit range reduction, so a --seed gives the same world on
 * every build. Plain value type; one owner, one thread.
 */
#pragma once

#include <cstdint>

class SeededRandom {
 public:
  // A generator whose sequence follows from `seed` alone.
  explicit SeededRandom(uint64_t seed) : state_(seed) {}

  // The next raw 64-bit value.
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // A whole number from low to high, both included; low when high < low.
  int between(int low, int high) {
    if (high <= low) return low;
    const uint64_t span = static_cast<uint64_t>(high - low) + 1;
    return low + static_cast<int>(next() % span);
  }

  // True with probability 1/n.
  bool one_in(int n) { return between(1, n) == 1; }

 private:
  uint64_t state_;
};
