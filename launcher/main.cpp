// quorvale, as a player starts it: the game, with a world to play in. When a Quorvale
// server already answers on the game's port the game joins it; otherwise a private server
// starts for this game alone and ends with it. Either way the game then runs in this
// program's stead. The programs and the game folder are found from this program's own
// folder, laid out as the build installs or packs them.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "launcher/port_probe.h"
#include "net/snapshot_format.h"
#include "platform/line_output.h"
#include "platform/state_folder.h"
#include "platform/tied_programs.h"

namespace {

constexpr std::chrono::milliseconds probe_deadline{2000};
// A server that does not serve within this time has failed to start.
constexpr std::chrono::seconds server_start_deadline{10};
constexpr std::chrono::milliseconds server_start_poll{50};

void say(const std::string& line) { std::fprintf(stderr, "quorvale: %s\n", line.c_str()); }

// The last line the server wrote, which says why it stopped.
std::string last_line_of(const std::filesystem::path& log) {
  std::ifstream file(log);
  std::string line;
  std::string last;
  while (std::getline(file, line))
    if (!line.empty()) last = line;
  return last;
}

// Starts quorvale-server with its defaults and waits until it serves. Null, after one line
// saying why, if it cannot.
std::unique_ptr<TiedProgram> start_private_server(const std::filesystem::path& server,
                                                  const std::filesystem::path& game_folder) {
  const std::filesystem::path log_folder = user_state_folder() / "quorvale";
  const std::filesystem::path log = log_folder / "server.log";
  std::error_code ignored;
  std::filesystem::create_directories(log_folder, ignored);
  std::string error;
  std::unique_ptr<TiedProgram> started = TiedProgram::start(server, {}, game_folder, log, error);
  if (!started) {
    say("the private server could not start (" + error + "); the game starts alone");
    return nullptr;
  }
  const auto give_up = std::chrono::steady_clock::now() + server_start_deadline;
  while (std::chrono::steady_clock::now() < give_up) {
    if (who_holds_game_port(probe_deadline) == PortHolder::quorvale_server) return started;
    if (started->has_ended()) {
      say("the private server could not start (" + last_line_of(log) + "); the game starts alone");
      return nullptr;
    }
    std::this_thread::sleep_for(server_start_poll);
  }
  say("the private server did not serve within " + std::to_string(server_start_deadline.count()) +
      " s (its output is in " + log.string() + "); the game starts alone");
  return nullptr;
}

}  // namespace

int main() {
  deliver_line_by_line(stderr);
  std::string error;
  const std::filesystem::path folder = own_program_folder(error);
  if (folder.empty()) {
    say(error);
    return 1;
  }
  const std::filesystem::path game = (folder / QUORVALE_LAUNCHER_TO_GAME).lexically_normal();
  const std::filesystem::path server = (folder / QUORVALE_LAUNCHER_TO_SERVER).lexically_normal();
  const std::filesystem::path game_folder =
      (folder / QUORVALE_LAUNCHER_TO_GAME_FOLDER).lexically_normal();

  std::unique_ptr<TiedProgram> private_server;
  switch (who_holds_game_port(probe_deadline)) {
    case PortHolder::quorvale_server:
      break;
    case PortHolder::other_program:
      say("port " + std::to_string(game_port) +
          " is held by a program that is not a Quorvale server; the game starts alone");
      break;
    case PortHolder::nobody:
      private_server = start_private_server(server, game_folder);
      break;
  }

  const int status = hand_over_to(game, game_folder, error);
  if (status < 0) say(error);
  return status < 0 ? 1 : status;
}
