/*
 * The server's command line: what each option means, its default, and how a bad
 * value is reported.
 *
 * Parsing is pure: it reads argv and returns the options or one line saying what
 * is wrong and how to fix it. Safe on any thread.
 */
#pragma once

#include <cstdint>
#include <string>

#include "net/snapshot_format.h"

// The map picture loaded when --map is not given: gfx/map1.png of the folder the server
// runs in, or the installed map where the build names one.
std::string default_map_path();

struct ServerOptions {
  uint16_t port = game_port;
  std::string bind_address = "127.0.0.1";
  int units = 12;
  double rate_hz = 10.0;
  uint64_t seed = 1;
  std::string map_path = default_map_path();
  std::string record_path;
  std::string replay_path;
  // 0 runs until a signal stops the server.
  double duration_seconds = 0.0;
  bool quiet = false;
  bool help = false;
};

struct ParsedOptions {
  ServerOptions options;
  // Empty when the command line was good.
  std::string error;
};

// Reads the command line; --help sets options.help and stops reading.
ParsedOptions parse_server_options(int argc, const char* const* argv);

// The text with its control characters shown as \xNN: an error line that quotes outside
// text (an argument, a path) stays one line.
std::string printable(const std::string& text);

// The --help text: every option with its default.
std::string server_usage();
