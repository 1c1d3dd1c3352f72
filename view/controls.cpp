#include "view/controls.h"

#include "units/unit.h"
#include "view/input_seam.h"
#include "view/player.h"

InputSeam input_seam;

namespace {

// The pointer in window pixels, as last read.
int mouse_x = 0;
int mouse_y = 0;

void steer(Unit& unit, const Uint8* keys) {
  unit.throttle = 0;
  unit.turn = 0;
  // Later keys override earlier ones: d over a, and q over s over w.
  if (keys[SDLK_a]) unit.turn = -1;
  if (keys[SDLK_d]) unit.turn = 1;
  if (keys[SDLK_w]) unit.throttle = 1;
  if (keys[SDLK_s]) unit.throttle = -1;
  if (keys[SDLK_q]) unit.throttle = -2;
}

}  // namespace

void handle_input(Player& player) {
  const Uint8* keys = input_seam.key_state(nullptr);
  const Uint8 buttons = input_seam.mouse_state(&mouse_x, &mouse_y);

  if (keys[SDLK_ESCAPE]) player.select_unit(-1);
  if (player.unit) steer(*player.unit, keys);

  for (int key = SDLK_0; key <= SDLK_5; ++key)
    if (keys[key]) player.select_unit(key - SDLK_0);

  if (!player.unit) return;
  const int32_t target_x = player.view.x + mouse_x;
  const int32_t target_y = player.view.y + mouse_y;
  if (buttons & SDL_BUTTON(SDL_BUTTON_LEFT)) player.unit->fire(0, target_x, target_y);
  if (buttons & SDL_BUTTON(SDL_BUTTON_RIGHT)) player.unit->fire(1, target_x, target_y);
}
