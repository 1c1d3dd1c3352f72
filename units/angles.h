/*
 * The angles of the rules, written once: pi/180 and 180/pi as single precision computes
 * them (from pi rounded to single precision), used as doubles, and the heading from one
 * point toward another. Unit motion, shots and the server's steering use them; the exact
 * motion and shot results depend on these very values.
 */
#pragma once

#include <cmath>

constexpr double degrees_to_radians = 0.01745329238474369;
constexpr double radians_to_degrees = 57.2957763671875;

// The heading in degrees, in [0, 360), along which the steps move a point toward another
// (dx, dy) away: a step subtracts the sine and cosine of its heading.
inline double heading_toward(double dx, double dy) {
  double heading = std::atan2(dx, dy) * radians_to_degrees + 180.0;
  if (heading < 0) heading += 360.0;
  if (heading >= 360.0) heading -= 360.0;
  return heading;
}
