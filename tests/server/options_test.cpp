// The command line: good values are read as given; bad ones, a missing or unusable
// map, a bad replay file and a busy port each end the real program with one line.
#include <gtest/gtest.h>

#include <string>

#include "blocking_file.h"
#include "damaged_picture.h"
#include "net/snapshot_format.h"
#include "server/server_options.h"
#include "tests/server/server_process.h"
#include "tests/server/test_map.h"

using test_support::make_blocking_file;
using test_support::png_with_an_overlong_chunk;

namespace {

const milliseconds exit_limit{10000};

ParsedOptions parse(std::vector<const char*> words) {
  words.insert(words.begin(), "quorvale-server");
  return parse_server_options(static_cast<int>(words.size()), words.data());
}

TEST(ServerOptionsTest, ReadsEveryOptionInBothSpellings) {
  const ParsedOptions parsed = parse({"--port=5000", "--bind", "::1", "--units", "63", "--rate=2.5",
                                      "--seed", "18446744073709551615", "--map", "maps/a.png",
                                      "--record", "out.rec", "--duration", "0.25", "--quiet"});
  ASSERT_EQ(parsed.error, "");
  const ServerOptions& options = parsed.options;
  EXPECT_EQ(options.port, 5000);
  EXPECT_EQ(options.bind_address, "::1");
  EXPECT_EQ(options.units, 63);
  EXPECT_DOUBLE_EQ(options.rate_hz, 2.5);
  EXPECT_EQ(options.seed, 18446744073709551615ull);
  EXPECT_EQ(options.map_path, "maps/a.png");
  EXPECT_EQ(options.record_path, "out.rec");
  EXPECT_DOUBLE_EQ(options.duration_seconds, 0.25);
  EXPECT_TRUE(options.quiet);
}

TEST(ServerProgramTest, HelpListsEveryOptionWithItsDefault) {
  ChildProcess server(server_command({"--help"}));
  ASSERT_EQ(server.wait_for_exit(exit_limit), 0);
  const std::string help = server.out();
  for (const char* option : {"--port", "--bind", "--units", "--rate", "--seed", "--map", "--record",
                             "--replay", "--duration", "--quiet"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  EXPECT_NE(help.find("default " + std::to_string(game_port)), std::string::npos);
  EXPECT_NE(help.find("default 12"), std::string::npos);
}

TEST(ServerProgramTest, RefusesBadValuesWithOneLine) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--units", "0"}, "--units"},
      {{"--units", "64"}, "--units"},
      {{"--units", "twelve"}, "--units"},
      {{"--rate", "0"}, "--rate"},
      {{"--rate", "1e9"}, "--rate"},
      {{"--rate", "nan"}, "--rate"},
      {{"--port", "0"}, "--port"},
      {{"--port", "65536"}, "--port"},
      {{"--port"}, "--port needs a value"},
      {{"--seed", "-1"}, "--seed"},
      {{"--bind", "localhost.invalid"}, "--bind"},
      {{"--duration", "-1"}, "--duration"},
      {{"--units=", "12"}, "--units"},
      {{"--colour", "red"}, "unknown option"},
      {{"stray"}, "unknown option"},
      {{"--quiet=yes"}, "unknown option"},
      {{"--replay", "x.rec", "--seed", "3"}, "--replay"},
      {{"--units", "1\n2"}, "--units wants"},
      {{"--x\ny"}, "unknown option \"--x\\x0Ay\""},
  };
  for (const auto& [arguments, mention] : cases) expect_refusal(arguments, mention);
}

TEST(ServerProgramTest, RefusesFilesItCannotUse) {
  ScratchFolder scratch;
  ASSERT_TRUE(save_test_map(400, 300, scratch.file("map.bmp")));
  ASSERT_TRUE(save_test_map(64, 64, scratch.file("small.bmp")));
  ASSERT_TRUE(write_file(scratch.file("text.png"), "not a picture"));
  ASSERT_TRUE(write_file(scratch.file("damaged.png"), png_with_an_overlong_chunk()));
  ASSERT_TRUE(write_file(scratch.file("empty.rec"), ""));
  ASSERT_TRUE(write_file(scratch.file("short.rec"), std::string(1000, '\0')));
  ASSERT_TRUE(write_file(scratch.file("long.rec"), std::string(2049, '\0')));
  const std::string blocking = make_blocking_file(scratch.path(), ".png");
  ASSERT_FALSE(blocking.empty());
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--map", scratch.file("missing.png")}, "--map PATH"},
      {{"--map", scratch.file("missing\r\n.png")}, "missing\\x0D\\x0A.png"},
      {{"--map", scratch.file("text.png")}, "--map PATH"},
      {{"--map", scratch.file("damaged.png")}, "damaged.png is damaged (chunk bKGD"},
      {{"--map", blocking}, "not a regular file"},
      {{"--map", scratch.file("small.bmp")}, "smaller than"},
      {{"--replay", scratch.file("missing.rec")}, "cannot open"},
      {{"--replay", scratch.file("empty.rec")}, "0 bytes"},
      {{"--replay", scratch.file("short.rec")}, "1000 bytes"},
      {{"--replay", scratch.file("long.rec")}, "2049 bytes"},
      {{"--replay", scratch.file("")}, "not a regular file"},
      {{"--map", scratch.file("map.bmp"), "--record", scratch.file("no/such/dir.rec")}, "--record"},
  };
  for (const auto& [arguments, mention] : cases) expect_refusal(arguments, mention);
}

TEST(ServerProgramTest, RefusesAPortInUse) {
  ScratchFolder scratch;
  ASSERT_TRUE(save_test_map(400, 300, scratch.file("map.bmp")));
  const ListeningPeer busy;
  const std::string port = std::to_string(busy.port());
  expect_refusal({"--port", port, "--map", scratch.file("map.bmp"), "--quiet", "--duration", "5"},
                 "already in use");
}

}  // namespace
