// quorvale-server: streams snapshot messages of a simulated (or recorded) world to
// every client that connects, until a signal or --duration stops it.
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdio>
#include <memory>

#include "platform/line_output.h"
#include "platform/stop_requests.h"
#include "server/message_recorder.h"
#include "server/replay_source.h"
#include "server/server_options.h"
#include "server/simulation_source.h"
#include "server/snapshot_server.h"
#include "server/terrain_map.h"
#include "units/picture.h"

namespace {

constexpr int exit_bad_usage = 2;
constexpr int exit_failure = 1;

// Prints the one line that says why the server cannot go on, and gives the exit code.
// A path from the command line may hold any byte; it is shown, not obeyed.
int refuse(const std::string& why, int code) {
  std::fprintf(stderr, "quorvale-server: %s\n", printable(why).c_str());
  return code;
}

// The server from its options to its last client; returns the exit status.
int run_server(int argc, char** argv) {
  deliver_line_by_line(stdout);
  deliver_line_by_line(stderr);

  const ParsedOptions parsed = parse_server_options(argc, argv);
  if (!parsed.error.empty()) return refuse(parsed.error, exit_bad_usage);
  const ServerOptions& options = parsed.options;
  if (options.help) {
    std::fputs(server_usage().c_str(), stdout);
    return 0;
  }

  std::string error;
  std::unique_ptr<TerrainMap> map;
  std::unique_ptr<SnapshotSource> source;
  if (!options.replay_path.empty()) {
    source = ReplaySource::open(options.replay_path, error);
  } else {
    map = TerrainMap::load(local_path(options.map_path.c_str()), error);
    if (map)
      source =
          std::make_unique<SimulationSource>(*map, options.units, options.seed, options.rate_hz);
  }
  if (!source) return refuse(error, exit_failure);

  std::unique_ptr<MessageRecorder> recorder;
  if (!options.record_path.empty()) {
    recorder = MessageRecorder::create(options.record_path, error);
    if (!recorder) return refuse(error, exit_failure);
  }

  boost::asio::io_context io;
  SnapshotServer server(io, {options.bind_address, options.port, options.rate_hz, options.quiet},
                        *source, recorder.get());
  // Taken before the port opens: whoever sees it listening may ask it to stop at once,
  // and on Linux the signals' pipe is then open before the first client comes.
  StopRequests stop_requests(io, [&server] { server.stop(); });
  if (!server.listen(error)) return refuse(error, exit_failure);

  boost::asio::steady_timer duration_timer(io);
  server.set_stop_handler([&] {
    stop_requests.cancel();
    duration_timer.cancel();
  });
  if (options.duration_seconds > 0) {
    duration_timer.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(options.duration_seconds)));
    duration_timer.async_wait([&](const boost::system::error_code& waited) {
      if (!waited) server.stop();
    });
  }

  server.start();
  io.run();

  if (!server.failure().empty()) return refuse(server.failure(), exit_failure);
  if (recorder && !recorder->close(error)) return refuse(error, exit_failure);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run_server(argc, argv);
  } catch (const std::exception& e) {
    return refuse(std::string("stopped: ") + e.what(), exit_failure);
  }
}
