/*
 * What the fuzz targets hold every outcome to. A broken check is a finding: it stops
 * the run where libFuzzer records the input.
 */
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

// Stops the run with `what` when the check does not hold.
inline void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// An error a person reads: one plain line, not empty.
inline bool is_one_line(const std::string& error) {
  return !error.empty() && error.find('\n') == std::string::npos;
}
