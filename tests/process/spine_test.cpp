#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "child_process.h"
#include "client_output.h"
#include "damaged_picture.h"
#include "scratch_folder.h"
#include "test_files.h"

using namespace std::chrono_literals;
using test_support::build_dir;
using test_support::ChildProcess;
using test_support::ScratchFolder;
using test_support::source_dir;

namespace {

std::string client_path() { return build_dir() + "/quorvale"; }

// The first line a command prints, or "" if it prints none.
std::string first_line_of(const std::string& command) {
  std::string line;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    if (fgets(buffer, sizeof buffer, pipe)) line = buffer;
    pclose(pipe);
  }
  while (!line.empty() && line.back() == '\n') line.pop_back();
  return line;
}

}  // namespace

TEST(Client, PrintsEveryProgressLineInOrderAndEndsCleanlyOnSigterm) {
  ChildProcess client({client_path()}, {"SDL_VIDEODRIVER=dummy"}, source_dir());
  ASSERT_TRUE(client.wait_for_stdout("Main game has begun!\n", 10s)) << client.err();
  // SDL turns the signal into a quit request, which ends the loop like closing the window.
  client.signal(SIGTERM);
  EXPECT_EQ(client.wait_for_exit(10s), 0) << client.err();
  EXPECT_EQ(client.out(), test_support::whole_run_output(""));
}

TEST(Client, SaysInOneLineWhereTheMapShouldBeWhenRunFromTheWrongFolder) {
  ScratchFolder no_gfx;
  ChildProcess client({client_path()}, {"SDL_VIDEODRIVER=dummy"}, no_gfx.path());
  EXPECT_NE(client.wait_for_exit(10s), 0);
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
  ChildProcess client({client_path()}, {"SDL_VIDEODRIVER=dummy"}, game.path());
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

TEST(Client, OpensItsWindowAndEndsOnEscape) {
  const char* display = getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs an X display (scripts/test starts one)";
  ChildProcess client({client_path()}, {"SDL_VIDEODRIVER=x11"}, source_dir());
  ASSERT_TRUE(client.wait_for_stdout("Main game has begun!\n", 10s)) << client.err();
  std::string window;
  for (int tries = 0; tries < 50 && window.empty(); ++tries) {
    window = first_line_of("xdotool search --name '^Quorvale$' 2>/dev/null");
    if (window.empty()) usleep(100 * 1000);
  }
  ASSERT_FALSE(window.empty()) << "no window with the caption Quorvale";
  // The press to the window; the client ends on it, and its window may be gone before a
  // release sent there could arrive. xdotool fakes the press in the X server itself when
  // the window has the focus (SDL2 gives it), so the release is faked there too, to no
  // window, or the key stays held for every later window on this display.
  const int pressed = system(("xdotool keydown --window " + window + " Escape").c_str());
  const int released = system("xdotool keyup Escape");
  ASSERT_EQ(pressed, 0) << "the client's output:\n" << client.out() << client.err();
  EXPECT_EQ(released, 0);
  EXPECT_EQ(client.wait_for_exit(10s), 0) << client.err();
  EXPECT_NE(client.out().find("Cleaning up\nGoodbye!\n"), std::string::npos) << client.out();
}
