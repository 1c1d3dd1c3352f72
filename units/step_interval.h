/*
 * The game's step: units and shots move once every 50 ms of the game's clock, on the
 * client and in our server's world alike.
 */
#pragma once

constexpr int step_interval_ms = 50;
