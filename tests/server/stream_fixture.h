/*
 * The real server on a free port with a test map of its own, as the stream tests start it.
 */
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/server/server_process.h"
#include "tests/server/test_map.h"

inline constexpr milliseconds start_limit{10000};
inline constexpr milliseconds message_limit{5000};
inline constexpr milliseconds exit_limit{10000};

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(map_, nullptr);
    ASSERT_TRUE(save_map(map_, map_path_));
  }
  void TearDown() override { SDL_FreeSurface(map_); }

  // Starts the server on a free port with the test map and the given extra options.
  std::unique_ptr<ChildProcess> start(std::vector<std::string> extra, bool quiet = true) {
    port_ = free_port();
    std::vector<std::string> arguments{"--port",  std::to_string(port_), "--map",
                                       map_path_, "--duration",          "30"};
    if (quiet) arguments.push_back("--quiet");
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    auto server = std::make_unique<ChildProcess>(server_command(arguments));
    EXPECT_TRUE(server->wait_until_listening(port_, start_limit)) << server->err();
    return server;
  }

  ScratchFolder scratch_;
  SDL_Surface* map_ = make_test_map(400, 300);
  std::string map_path_ = scratch_.file("map.bmp");
  uint16_t port_ = 0;
};
