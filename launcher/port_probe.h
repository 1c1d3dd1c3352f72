/*
 * Who holds the game's port on this machine: nobody, a Quorvale server, or some other
 * program. A Quorvale server is told by what it sends: a connection to default_server_host
 * on game_port that delivers one whole, well-formed snapshot message within the deadline.
 * The connection is closed again at once. Main thread only; it runs an event loop of its own.
 */
#pragma once

#include <chrono>

enum class PortHolder {
  nobody,           // every address refused the connection
  quorvale_server,  // a well-formed snapshot message came
  other_program,    // it took the connection but sent something else, or nothing in time
};

PortHolder who_holds_game_port(std::chrono::milliseconds deadline);
