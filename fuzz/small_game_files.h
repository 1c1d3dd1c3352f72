/*
 * The game folder of the client fuzz targets: every picture the client loads, a few
 * pixels each, and a 64 by 48 map, written once into the scratch folder under the
 * names the game uses. The real loading code reads them; they are small so that an
 * input costs what the game's own work on it costs, not a full-size PNG inflate.
 *
 * The map: land in columns 0..23, water in 24..47, rock (closed to both) from 48,
 * and a rock band across rows 32..35, so units meet every kind of border.
 */
#pragma once

constexpr int small_map_width = 64;
constexpr int small_map_height = 48;
constexpr int small_map_water_from_x = 24;
constexpr int small_map_rock_from_x = 48;
constexpr int small_map_band_from_y = 32;
constexpr int small_map_band_to_y = 36;

// Writes gfx/ (unit pictures, explosion, map1.png) into the scratch folder.
void write_small_game_files();
