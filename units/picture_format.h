/*
 * Pictures in the screen's own pixel format, with exact colours.
 *
 * SDL's conversions between formats cannot be trusted at every depth: an unkeyed
 * 32-to-8-bit blit repeats each row's first pixel, 8-bit blits truncate to 3-3-2 where
 * SDL_MapRGB picks the nearest palette colour (both on the classic library and on
 * sdl12-compat), and sdl12-compat ignores or mishandles colour keys on some blits onto
 * 8 bits (bench/README.md lists what differs). A picture copied here holds
 * SDL_MapRGB of every pixel's colour in the target format, so blitting it onto the screen
 * is a plain copy, the same on both libraries. Magenta keeps magenta's value, and no other
 * colour takes it, so the colour key hides exactly the pixels that were magenta.
 * Main thread only (SDL surfaces).
 */
#pragma once

#include <SDL/SDL.h>

// True when a blit from `source` onto `target` copies raw pixels as they are: the same
// layout and, for a palette, the same colours.
bool same_pixel_format(const SDL_PixelFormat* source, const SDL_PixelFormat* target);

// A new copy of `picture` in `format` with exact colours; null if SDL cannot make it.
SDL_Surface* copy_in_format(SDL_Surface* picture, const SDL_PixelFormat* format);

// `picture` as the screen stores it: an exact copy, or the picture itself with its reference
// count raised when it already is in the screen's format or no screen is open. Either way the
// caller frees the result once. Null if a copy is needed and cannot be made.
SDL_Surface* display_format_copy(SDL_Surface* picture);

// `picture` (which may be null) moved into the screen's format: the exact copy takes its
// place. Kept as it is when no copy can be made; a blit then converts it as SDL does.
SDL_Surface* into_display_format(SDL_Surface* picture);
