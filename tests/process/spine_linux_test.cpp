// The client stopped by SIGTERM, and in a real window on an X display driven by xdotool:
// Linux only.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "child_process.h"
#include "client_output.h"
#include "program_paths.h"
#include "skip_or_fail.h"
#include "test_files.h"

using namespace std::chrono_literals;
using test_support::ChildProcess;
using test_support::client_binary;
using test_support::source_dir;

namespace {

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
  ChildProcess client({client_binary()}, {"SDL_VIDEODRIVER=dummy"}, source_dir());
  ASSERT_TRUE(client.wait_for_stdout("Main game has begun!\n", 10s)) << client.err();
  // SDL turns the signal into a quit request, which ends the loop like closing the window.
  client.signal(SIGTERM);
  EXPECT_EQ(client.wait_for_exit(10s), 0) << client.err();
  EXPECT_EQ(client.out(), test_support::whole_run_output(""));
}

TEST(Client, OpensItsWindowAndEndsOnEscape) {
  const char* display = getenv("DISPLAY");
  if (!display || !*display) SKIP_OR_FAIL_UNDER_CI("needs an X display (scripts/test starts one)");
  ChildProcess client({client_binary()}, {"SDL_VIDEODRIVER=x11"}, source_dir());
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
