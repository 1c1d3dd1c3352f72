/*
 * The game's window: how much of the map a player sees at once. Plain numbers, without
 * SDL, so the server can place units inside a player's first view too.
 */
#pragma once

constexpr int screen_width = 640;
constexpr int screen_height = 480;
