// Recording what is sent, serving it back, and the seed deciding the world.
#include <gtest/gtest.h>

#include "tests/server/child_process.h"
#include "tests/server/stream_client.h"
#include "tests/server/test_map.h"

namespace {

const milliseconds start_limit{10000};
const milliseconds message_limit{5000};
const milliseconds exit_limit{20000};

class RecordReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_Surface* map = make_test_map(400, 300);
    ASSERT_TRUE(save_map(map, map_path_));
    SDL_FreeSurface(map);
  }

  // Runs the server to the end of its --duration and returns the messages it recorded.
  std::vector<std::string> record(const std::string& name, std::vector<std::string> extra) {
    const std::string path = scratch_.file(name);
    std::vector<std::string> arguments{"--port", std::to_string(free_port()), "--quiet", "--record",
                                       path};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ChildProcess server(server_command(arguments), scratch_);
    EXPECT_EQ(server.wait_for_exit(exit_limit), 0) << server.stderr_text();
    const std::string content = read_file(path);
    EXPECT_EQ(content.size() % snapshot_message_size, 0u);
    return messages_in(content);
  }

  ScratchFolder scratch_;
  std::string map_path_ = scratch_.file("map.bmp");
};

TEST_F(RecordReplayTest, ReplayServesTheRecordingAgainInALoop) {
  const std::vector<std::string> recorded = record(
      "world.rec", {"--map", map_path_, "--seed", "11", "--rate", "20", "--duration", "0.4"});
  ASSERT_GE(recorded.size(), 3u);
  // Recorded at 20 Hz, one step a tick, so each message differs and can be found.
  const std::vector<std::string> replayed = record(
      "replay.rec", {"--replay", scratch_.file("world.rec"), "--rate", "100", "--duration", "1"});
  ASSERT_GT(replayed.size(), recorded.size()) << "long enough to wrap around";
  for (std::size_t n = 0; n < replayed.size(); ++n)
    ASSERT_EQ(replayed[n], recorded[n % recorded.size()]) << "message " << n;

  const uint16_t port = free_port();
  ChildProcess server(server_command({"--port", std::to_string(port), "--quiet", "--rate", "100",
                                      "--replay", scratch_.file("world.rec"), "--duration", "30"}),
                      scratch_);
  ASSERT_TRUE(server.wait_until_listening(port, start_limit));
  StreamClient client(port);
  const auto first = client.read_message(message_limit);
  ASSERT_TRUE(first);
  std::size_t at = 0;
  while (at < recorded.size() && recorded[at] != bytes_of(*first)) ++at;
  ASSERT_LT(at, recorded.size());
  for (std::size_t n = 1; n <= 2 * recorded.size(); ++n) {
    const auto message = client.read_message(message_limit);
    ASSERT_TRUE(message);
    ASSERT_EQ(bytes_of(*message), recorded[(at + n) % recorded.size()]) << "message " << n;
  }
}

TEST_F(RecordReplayTest, TheSeedDecidesTheWorld) {
  const std::vector<std::string> common{"--map",  map_path_, "--units",    "40",
                                        "--rate", "100",     "--duration", "0.3"};
  auto with_seed = [&](const std::string& name, const std::string& seed) {
    std::vector<std::string> arguments = common;
    arguments.insert(arguments.end(), {"--seed", seed});
    return record(name, arguments);
  };
  const std::vector<std::string> first = with_seed("first.rec", "7");
  const std::vector<std::string> again = with_seed("again.rec", "7");
  const std::vector<std::string> other = with_seed("other.rec", "8");
  const std::size_t shared = std::min(first.size(), again.size());
  ASSERT_GE(shared, 5u);
  for (std::size_t n = 0; n < shared; ++n) ASSERT_EQ(first[n], again[n]) << "message " << n;
  ASSERT_FALSE(other.empty());
  EXPECT_NE(first.front(), other.front());
}

}  // namespace
