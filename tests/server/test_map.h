/*
 * Small map pictures made for the server's tests, so no test depends on the real
 * map's layout: land on the left, water on the right, an impassable rock on the
 * land, a land island and a reef in the water. Main thread only (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

#include <string>

// Colour of the impassable decorations drawn on test maps.
constexpr Uint32 rock_pixel = 0x804020;

// A 32-bit 0x00RRGGBB map of the given size; the caller owns it.
SDL_Surface* make_test_map(int width, int height);

// A map filled with one colour; the caller owns it.
SDL_Surface* make_plain_map(int width, int height, Uint32 colour);

// Writes a map as a BMP file (which the map loader reads) and says whether it could.
bool save_map(SDL_Surface* map, const std::string& path);
