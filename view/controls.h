/*
 * The controls: held keys and mouse buttons, sampled once per frame.
 *
 * Escape lets go of the unit; 0 to 5 pick a unit by list position; a, d, w, s and q
 * steer the Player's unit; the left and right buttons fire its two weapons at the map
 * point under the pointer. Without a unit, Escape and the number keys still work;
 * steering and firing need one. Main thread only.
 */
#pragma once

struct Player;

// Reads keys and mouse, steers and fires the Player's unit and changes the selection.
void handle_input(Player& player);
