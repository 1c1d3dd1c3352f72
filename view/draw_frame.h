/*
 * Drawing one frame into the World's screen.
 *
 * The view follows the Player's unit (or shows the map's top-left corner without one);
 * then the map, every unit turned to its heading, and every shot on top. Nothing is
 * kept between frames but the Player's view. Main thread only.
 */
#pragma once

#include <SDL/SDL.h>

#include "view/screen_size.h"

struct Player;

// Places the Player's view over its unit and draws map, units and shots. The map is best
// in the screen's own format (display_format_copy of the terrain map): one plain copy.
void draw_frame(SDL_Surface* map, Player& player);
