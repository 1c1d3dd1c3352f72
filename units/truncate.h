/*
 * Float-to-integer truncation toward zero, defined for every bit pattern.
 *
 * Positions come from the server as they are, NaN and infinities included. A plain
 * cast of such a value is undefined, so these give the ordinary truncation inside the
 * target's range, saturate at its ends beyond it, and turn NaN into 0.
 */
#pragma once

#include <cstdint>

// Truncates toward zero into a signed 16-bit value.
inline int16_t truncate_to_i16(float v) {
  if (v != v) return 0;
  if (v >= 32767.0f) return INT16_MAX;
  if (v <= -32768.0f) return INT16_MIN;
  return static_cast<int16_t>(v);
}

// Truncates toward zero into a signed 32-bit value.
inline int32_t truncate_to_i32(float v) {
  if (v != v) return 0;
  if (v >= 2147483648.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(v);
}
