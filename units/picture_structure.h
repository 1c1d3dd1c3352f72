/*
 * The structure of a picture file, checked before anything decodes it.
 *
 * SDL_image's PNG reader does not notice a short read: handed a chunk whose length runs
 * past the end of the file, libpng is fed stale bytes, meets the same chunk again and
 * skips it for ever. So a PNG reaches the decoder only when every chunk, up to and
 * including IEND, lies whole within the file. The game ships PNG; a BMP, as SDL writes
 * one, is taken too, since SDL's own reader stops at a short read. Every other format is
 * refused: its reader was never checked the same way. A picture of more pixels than any
 * the game could draw is refused before anything is allocated for it.
 * Pure functions on bytes in memory; safe on any thread.
 */
#pragma once

#include <cstddef>
#include <string>

enum class PictureKind { png, bmp, other };

// The picture format `bytes` start with, by its signature.
PictureKind picture_kind(const unsigned char* bytes, std::size_t size);

// True when `bytes` hold a PNG of whole chunks ending at IEND, or a BMP, of no more than
// max_picture_pixels. When not, `reason` says what is wrong, naming the chunk and its
// place in the file.
bool picture_structure_sound(const unsigned char* bytes, std::size_t size, std::string& reason);

// The largest picture taken, in pixels: four times the game's own map, many times over.
constexpr unsigned long long max_picture_pixels = 1ULL << 26;
