// The real client against the real server on the client's fixed port, 21000.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstring>
#include <set>
#include <thread>

#include "net/snapshot_format.h"
#include "skip_or_fail.h"
#include "tests/server/server_process.h"
#include "tests/server/stream_client.h"

using test_support::client_binary;
using test_support::source_dir;

namespace {

constexpr uint16_t client_port = game_port;
constexpr int default_units = 12;
constexpr double default_rate_hz = 10.0;
const milliseconds start_limit{10000};
const milliseconds exit_limit{15000};

// How many lines of a text are exactly `line`.
int count_lines(const std::string& text, const std::string& line) {
  int count = 0;
  for (const std::string& each : lines_of(text)) count += each == line;
  return count;
}

TEST(ClientEndToEndTest, TheClientAddsEachUnitOnceAndSaysGoodbyeOnSigterm) {
  if (port_is_listening(client_port))
    SKIP_OR_FAIL_UNDER_CI(
        "port 21000 is taken by another program, and the client has no port option");
  ScratchFolder scratch;
  const std::string recording_path = scratch.file("seen.rec");
  const auto server_started = std::chrono::steady_clock::now();
  ChildProcess server(server_command({"--quiet", "--duration", "60", "--record", recording_path}),
                      {}, source_dir());
  ASSERT_TRUE(server.wait_until_listening(client_port, start_limit)) << server.err();

  ChildProcess client({client_binary()}, {"SDL_VIDEODRIVER=dummy"}, source_dir());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (count_lines(client.out(), "New entity added!") < default_units &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(50));
  client.signal(SIGTERM);
  EXPECT_EQ(client.wait_for_exit(exit_limit), 0) << client.err();
  const double seconds_served =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - server_started).count();
  server.signal(SIGTERM);
  ASSERT_EQ(server.wait_for_exit(exit_limit), 0);

  // The client can only have seen messages the server sent while it ran; ticks never
  // come early, so that is at most the first rate * time of them.
  const std::vector<std::string> recording = messages_in(read_file(recording_path));
  const std::size_t could_see = std::min<std::size_t>(
      recording.size(), static_cast<std::size_t>(std::ceil(seconds_served * default_rate_hz)) + 1);
  std::set<int> ids;
  for (std::size_t n = 0; n < could_see; ++n) {
    SnapshotMessage message;
    std::memcpy(message.bytes, recording[n].data(), snapshot_message_size);
    for (const UnitRecord& unit : records_of(message)) ids.insert(unit.id);
  }
  const std::string said = client.out();
  const int added = count_lines(said, "New entity added!");
  EXPECT_GE(added, default_units) << said;
  EXPECT_LE(added, static_cast<int>(ids.size())) << "a unit was added more than once\n" << said;
  EXPECT_EQ(count_lines(said, "Goodbye!"), 1) << said;
}

}  // namespace
