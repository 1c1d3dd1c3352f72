/*
 * The angle factors of the rules, written once: pi/180 and 180/pi as single precision
 * computes them (from pi rounded to single precision), used as doubles. Unit motion, shots
 * and the server's steering use them; the exact motion and shot results depend on these
 * very values.
 */
#pragma once

constexpr double degrees_to_radians = 0.01745329238474369;
constexpr double radians_to_degrees = 57.2957763671875;
