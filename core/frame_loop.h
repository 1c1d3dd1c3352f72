/*
 * The frame loop: every pass of the game on the main thread, paced by a 20 ms wait.
 */
#pragma once

#include <SDL/SDL.h>

class tcp_client;
struct Player;

// Moves every Unit one step if one is due, in list order.
void run_unit_pass(SDL_Surface* map);

// Runs frames until a pass takes a quit event; that pass is completed in full. Units move
// over `terrain_map` (0x00RRGGBB); the frame is drawn from `drawn_map`, the same picture
// in the screen's format.
void run_frame_loop(SDL_Surface* terrain_map, SDL_Surface* drawn_map, Player& player,
                    tcp_client& client);
