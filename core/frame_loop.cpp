#include "core/frame_loop.h"

#include "core/shot_pass.h"
#include "core/world.h"
#include "net/apply_snapshot.h"
#include "net/tcp_client.h"
#include "units/unit.h"
#include "view/controls.h"
#include "view/draw_frame.h"

namespace {

// True for the one event that ends the game: an Escape key-down or a window close.
bool is_quit_event(const SDL_Event& event) {
  return (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) ||
         event.type == SDL_QUIT;
}

}  // namespace

void run_unit_pass(SDL_Surface* map) {
  for (std::size_t position = 0; position < world.units.size(); ++position)
    world.units[position]->step(map);
}

void run_frame_loop(SDL_Surface* terrain_map, SDL_Surface* drawn_map, Player& player,
                    tcp_client& client) {
  UnitRecord records[tcp_client::store_size];
  SDL_Event event;
  int quit = 0;
  while (quit == 0) {
    SDL_Delay(20);
    int16_t count = 0;
    if (client.take_snapshot(records, count)) apply_snapshot(records, count);
    // One event per frame; the rest wait in SDL's queue for later frames.
    if (SDL_PollEvent(&event) && is_quit_event(event)) quit = 1;
    handle_input(player);
    run_unit_pass(terrain_map);
    run_shot_pass();
    draw_frame(drawn_map, player);
    SDL_UpdateRect(world.screen, 0, 0, 0, 0);
  }
}
