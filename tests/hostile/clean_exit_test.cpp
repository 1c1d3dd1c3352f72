// What the real client leaves behind when the user quits: nothing of ours. The plain build
// runs it under valgrind memcheck, where any block of ours still allocated at exit fails
// the run, even one a global list still points to; the sanitizer build runs it under
// LeakSanitizer, which reports blocks nothing points to. Allocations the X libraries
// keep for the process's life are suppressed (valgrind.supp, lsan.supp).

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "child_process.h"
#include "client_watch.h"
#include "listening_peer.h"
#include "scratch_folder.h"
#include "skip_or_fail.h"
#include "snapshot_stream.h"
#include "test_files.h"
#include "virtual_display.h"

using namespace std::chrono_literals;
using namespace test_support;

namespace {

const char* const valgrind = "/usr/bin/valgrind";

// The client, under the leak checker of this build, with the extra environment given,
// run in folder `cwd`.
std::unique_ptr<ChildProcess> start_checked_client(std::vector<std::string> env,
                                                   const std::string& cwd = source_dir()) {
  std::vector<std::string> command;
#ifdef QUORVALE_SANITIZED
  env.push_back("ASAN_OPTIONS=detect_leaks=1");
  env.push_back("LSAN_OPTIONS=suppressions=" + source_dir() + "/tests/hostile/lsan.supp");
#else
  command = {valgrind, "--leak-check=full", "--show-leak-kinds=all", "--errors-for-leak-kinds=all",
             "--error-exitcode=99",
             // Mesa's software OpenGL allocates from the code it compiles, which has no
             // symbols: the stack must reach the driver that called it for its suppression.
             "--num-callers=64",
             // SDL2's D-Bus forks a helper that starts another program; what that copy of
             // the process holds when it goes is not a leak of the client's.
             "--child-silent-after-fork=yes",
             "--suppressions=" + source_dir() + "/tests/hostile/valgrind.supp"};
#endif
  command.push_back(build_dir() + "/quorvale");
  return std::make_unique<ChildProcess>(command, env, cwd);
}

// A snapshot of 40 units of every type, the ids moved on by `round` so units join and leave.
std::string units_message(int round) {
  std::vector<UnitRecord> records;
  for (int i = 0; i < 40; ++i) {
    const int id = (round * 5 + i) % 80;
    records.push_back(UnitRecord{200.0f + 4 * id, 150.0f + 2 * id, static_cast<int16_t>(id * 9), 2,
                                 static_cast<int16_t>(id % 10 - 1), static_cast<int16_t>(id)});
  }
  return snapshot_message(40, records);
}

// The leak checker's verdict is in the exit status; this shows it actually looked.
void expect_checker_ran(const ChildProcess& client) {
#ifndef QUORVALE_SANITIZED
  EXPECT_NE(client.err().find("ERROR SUMMARY: 0 errors"), std::string::npos) << client.err();
#else
  (void)client;
#endif
}

// Each test runs the client under the leak checker against a test server.
class CleanExit : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef QUORVALE_SANITIZED
    ASSERT_EQ(access(valgrind, X_OK), 0)
        << "the leak check needs valgrind (scripts/test installs it)";
#endif
    peer = std::make_unique<ListeningPeer>(ListenOptions{client_port});
  }

  // Starts the checked client and takes its connection.
  void start_client(std::vector<std::string> env) {
    client = start_checked_client(std::move(env));
    // Under valgrind, SDL2 over a software OpenGL (Mesa's LLVM) takes long to start on a busy
    // machine.
    ASSERT_TRUE(client->wait_for_stdout("Main game has begun!\n", 150s)) << client->err();
    ASSERT_TRUE(peer->accept_client(30s)) << "the client never connected";
  }

  std::unique_ptr<ChildProcess> client;
  std::unique_ptr<ListeningPeer> peer;
};

}  // namespace

TEST_F(CleanExit, UnitsThatCameAndWentAndThoseStillListedLeaveNothingBehind) {
  start_client({"SDL_VIDEODRIVER=dummy"});
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(peer->send(units_message(round)));
    ASSERT_TRUE(keeps_drawing(*client, 2, 30s)) << client->err();
  }
  ASSERT_GE(lines_in(client->out(), "New entity added!"), 40u) << "the units never arrived";
  expect_clean_end(*client, 60s);
  expect_checker_ran(*client);
}

TEST_F(CleanExit, ShotsAndExplosionsInFlightAtTheQuitLeaveNothingBehind) {
  if (!VirtualDisplay::tools_available())
    SKIP_OR_FAIL_UNDER_CI("needs Xvfb, xdotool and imagemagick");
  VirtualDisplay display(10s);
  ASSERT_FALSE(display.name().empty()) << "Xvfb did not start";
  start_client({"SDL_VIDEODRIVER=x11", "DISPLAY=" + display.name()});
  // A tank on open land, first in the list, for the 0 key to take.
  constexpr int16_t tank = 1;
  ASSERT_TRUE(peer->send(snapshot_message(1, {UnitRecord{300, 200, 0, 0, tank, 1}})));

  std::string window;
  for (int tries = 0; tries < 100 && window.empty(); ++tries) {
    window = display.run("xdotool search --name '^Quorvale$'");
    if (window.empty()) collect_output(*client, 100ms);
  }
  ASSERT_FALSE(window.empty()) << "no window with the caption Quorvale";
  // Held through the quit: the unit fires at the pointer twice a second, so projectiles
  // and explosions are in the shot list when the game ends.
  display.run("xdotool mousemove --window " + window + " 340 240");
  display.run("xdotool keydown 0");
  display.run("xdotool mousedown 1");
  // The first frames that draw a projectile are slow under valgrind over Mesa's software
  // OpenGL (SDL2's): on a busy machine, a minute or more after the window shows.
  long red = 0;
  for (const auto end = std::chrono::steady_clock::now() + 150s;
       red <= 0 && std::chrono::steady_clock::now() < end;) {
    collect_output(*client, 500ms);
    red = display.pure_red_pixels();
  }
  EXPECT_GT(red, 0) << "no projectile was ever drawn";
  // Long enough for the first projectiles to have turned into explosions.
  ASSERT_TRUE(keeps_drawing(*client, 20, 30s));
  expect_clean_end(*client, 60s);
  display.run("xdotool mouseup 1");
  display.run("xdotool keyup 0");
  expect_checker_ran(*client);
}

TEST_F(CleanExit, AStartThatCannotFindTheMapLeavesNothingBehind) {
  const ScratchFolder no_gfx("quorvale-no-gfx");
  client = start_checked_client({"SDL_VIDEODRIVER=dummy"}, no_gfx.path());
  // The client's own failure status; the leak checker's would be 99.
  EXPECT_EQ(client->wait_for_exit(60s), 1) << client->err();
  EXPECT_NE(client->err().find("cannot load the map picture"), std::string::npos) << client->err();
  EXPECT_EQ(sanitizer_report(client->err()), "");
  expect_checker_ran(*client);
}
