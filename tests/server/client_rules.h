/*
 * The client's world rules, written out independently of the server's code, so the
 * tests hold the server to what the client will actually check: each type's speed
 * limits and terrain, and the client's own 50 ms motion step. Pure functions;
 * the map surface belongs to the caller.
 */
#pragma once

#include <SDL/SDL.h>

#include <optional>

struct ClientTypeRule {
  int min_speed;
  int max_speed;
  // The only pixel the type may stand on, or 0 if it may be anywhere.
  Uint32 terrain;
};

// The client's rule for a type number, or none for a type the client does not know.
std::optional<ClientTypeRule> client_rule(int type);

// Whether a unit under `rule` may be at (x, y) on the map.
bool stands_on_its_terrain(SDL_Surface* map, const ClientTypeRule& rule, float x, float y);

// One client motion step for a unit at (x, y); leaves it in place where the client would.
void client_step(SDL_Surface* map, const ClientTypeRule& rule, int heading, int speed, float& x,
                 float& y);
