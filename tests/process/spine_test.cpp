#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "child_process.h"
#include "damaged_picture.h"
#include "program_paths.h"
#include "scratch_folder.h"
#include "test_files.h"

using namespace std::chrono_literals;
using test_support::ChildProcess;
using test_support::client_binary;
using test_support::ScratchFolder;
using test_support::source_dir;

TEST(Client, SaysInOneLineWhereTheMapShouldBeWhenRunFromTheWrongFolder) {
  ScratchFolder no_gfx;
  ChildProcess client({client_binary()}, {"SDL_VIDEODRIVER=dummy"}, no_gfx.path());
  EXPECT_EQ(client.wait_for_exit(10s), 1) << client.err();
  EXPECT_EQ(client.out().find("Map loaded"), std::string::npos);
  const std::string& err = client.err();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("gfx/map1.png"), std::string::npos) << err;
  EXPECT_NE(err.find("run quorvale from the folder that holds gfx/"), std::string::npos) << err;
}

TEST(Client, RefusesADamagedMapInOneLineWithoutSendingThePlayerToAnotherFolder) {
  ScratchFolder game;
  std::filesystem::create_directory(game.file("gfx"));
  ASSERT_TRUE(test_support::write_file(game.file("gfx/map1.png"),
                                       test_support::png_with_an_overlong_chunk()));
  ChildProcess client({client_binary()}, {"SDL_VIDEODRIVER=dummy"}, game.path());
  // The reader that ignored its short reads never came back from this file.
  EXPECT_EQ(client.wait_for_exit(10s), 1) << client.err();
  EXPECT_EQ(client.out().find("Map loaded"), std::string::npos);
  const std::string& err = client.err();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("the map picture gfx/map1.png is damaged (chunk bKGD at byte 33"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("folder"), std::string::npos) << err;
}
