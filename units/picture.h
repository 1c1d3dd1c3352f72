/*
 * Picture files: where they are and how they are loaded.
 *
 * The game names its pictures the way it always has, with a backslash after "gfx"
 * ("gfx\\tank.png"); local_path is the one place that maps that separator to this
 * system's. Paths are relative to the working directory.
 *
 * The map and the unit pictures are kept in one 32-bit layout whose raw pixel reads
 * 0x00RRGGBB, whatever the display's depth: the terrain test reads the map in that
 * layout, and rotozoomSurface turns a 32-bit picture into a 32-bit copy of the same
 * layout, with no conversion of its own. Shots, never turned, are kept as the screen
 * stores them. Main thread only (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

#include <string>

// The game's path with its backslashes turned into this system's separator.
std::string local_path(const char* game_path);

// Why the last picture load that failed did so; IMG_GetError() holds the details.
enum class PictureFault {
  none,
  missing,     // no such file: most likely the game was started from another folder
  unreadable,  // there, but not a regular file, too large, or not readable
  damaged,     // read whole, but not a sound PNG or BMP, or the decoder refused it
};

// The fault of the last load that failed; none before any did.
PictureFault last_picture_fault();

// The last failed load of `game_path` told for a line: "cannot load W P (why)" when the
// file is missing, "cannot read W P (why)" when it cannot be read, "W P is damaged (why)"
// when it cannot be decoded; W is `what` ("the map picture"), or nothing when empty.
std::string picture_failure(const char* what, const char* game_path);

// Loads a picture in the 0x00RRGGBB layout; null if it cannot be read (last_picture_fault).
SDL_Surface* load_xrgb_picture(const char* game_path);

// Loads a picture as the file holds it (no conversion); null if it cannot be read
// (last_picture_fault). Only a PNG or BMP whose structure is sound reaches the decoder
// (picture_structure.h).
SDL_Surface* load_picture_as_is(const char* game_path);

// Loads a shot's picture in the screen's format (picture_format.h). A picture that cannot
// be read is reported once on stderr (picture_failure); the result is then null and the shot is
// drawn as a square.
SDL_Surface* load_shot_picture(const char* game_path);

// Loads a unit's picture in the 0x00RRGGBB layout. A picture that cannot be read is
// reported once on stderr and replaced by a plain marker, so every unit can be drawn.
SDL_Surface* load_unit_picture(const char* game_path);
