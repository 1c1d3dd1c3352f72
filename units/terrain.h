/*
 * The map picture as terrain.
 *
 * The map is kept as a 32-bit surface whose raw pixels read 0x00RRGGBB (see
 * picture.h), so exactly two raw values are terrain: land and water. Everything
 * else, and everything outside the map, is closed to land and water units alike.
 * The caller owns the map surface. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstdint>

constexpr Uint32 land_pixel = 0x808000;   // red 128, green 128, blue 0
constexpr Uint32 water_pixel = 0x0080FF;  // red 0, green 128, blue 255

// The map picture both programs load, as the game writes its path.
constexpr const char* game_map_file = "gfx\\map1.png";

// Loads the map picture in the 0x00RRGGBB layout; null if it cannot be read.
SDL_Surface* load_terrain_map(const char* game_path);

// The raw pixel at column x, row y, or 0 outside the map.
Uint32 map_pixel(SDL_Surface* map, int32_t x, int32_t y);
