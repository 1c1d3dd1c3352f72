// Quorvale: start-up, the frame loop and shutdown, in that order.

#include <SDL/SDL.h>
#include <SDL/SDL_framerate.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

#include "core/frame_loop.h"
#include "core/world.h"
#include "net/network_thread.h"
#include "net/tcp_client.h"
#include "platform/line_output.h"
#include "units/picture.h"
#include "units/picture_format.h"
#include "units/terrain.h"
#include "view/draw_frame.h"
#include "view/player.h"

namespace {

// One line on stderr, then the way out of a start-up that cannot go on.
int fail_start(const char* what) {
  std::fprintf(stderr, "Quorvale: %s\n", what);
  SDL_Quit();
  return 1;
}

// The blocking lookup of the server; an empty list if it fails.
endpoint_list resolve_server(boost::asio::ip::tcp::resolver& resolver) {
  try {
    return resolver.resolve(default_server_host, std::to_string(game_port));
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return endpoint_list();
  }
}

// The game from start to shutdown, in that order; returns the exit status.
int run_game() {
  // Progress lines must show as they happen, even through a pipe.
  deliver_line_by_line(stdout);
  std::printf("It begins!\n");
  io_service io;
  std::printf("Declarations complete\n");

  // Nothing consults the manager later: the loop paces itself.
  FPSmanager frame_rate;
  SDL_initFramerate(&frame_rate);
  SDL_setFramerate(&frame_rate, 100);
  std::printf("Framerate cap set\n");

  // Released on every way out of main, a start-up that fails included.
  std::unique_ptr<Player> player(new Player());
  player->select_unit(0);
  std::printf("Main player created\n");

  char reason[512];
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::snprintf(reason, sizeof reason, "cannot start SDL video (%s)", SDL_GetError());
    return fail_start(reason);
  }
  SDL_WM_SetCaption("Quorvale", "Quorvale");
  world.screen = SDL_SetVideoMode(screen_width, screen_height, 0, SDL_SWSURFACE);
  if (!world.screen) {
    std::snprintf(reason, sizeof reason,
                  "cannot open the %dx%d window (%s); is a display available?", screen_width,
                  screen_height, SDL_GetError());
    return fail_start(reason);
  }
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  std::printf("Screen created\n");

  SDL_Surface* map = load_terrain_map(game_map_file);
  if (!map) {
    std::string line = picture_failure("the map picture", game_map_file);
    if (last_picture_fault() == PictureFault::missing)
      line += "; run quorvale from the folder that holds gfx/";
    return fail_start(line.c_str());
  }
  SDL_Surface* drawn_map = display_format_copy(map);
  if (!drawn_map) {
    SDL_FreeSurface(map);
    return fail_start("not enough memory for the map in the screen's format");
  }
  std::printf("Map loaded\n");

  std::printf("Initing tcp_client...\n");
  boost::asio::ip::tcp::resolver resolver(io);
  const endpoint_list endpoints = resolve_server(resolver);
  tcp_client client(io, endpoints);
  boost::thread network_thread = start_network_thread(io);
  std::printf("Main game has begun!\n");

  run_frame_loop(map, drawn_map, *player, client);

  client.request_close();
  network_thread.join();
  std::printf("Cleaning up\n");
  world.clear();
  SDL_FreeSurface(drawn_map);
  SDL_FreeSurface(map);
  std::printf("Goodbye!\n");
  SDL_Quit();
  return 0;
}

}  // namespace

// Takes the arguments it ignores: on Windows SDL renames it and calls it from its own entry.
int main(int, char**) {
  // What the libraries throw (no thread, no event loop, no memory) ends the game with a line.
  try {
    return run_game();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Quorvale: stopped: %s\n", e.what());
    return 1;
  }
}
