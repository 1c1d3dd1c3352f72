#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "child_process.h"
#include "net/snapshot_format.h"
#include "port_facts.h"
#include "program_paths.h"
#include "scratch_folder.h"
#include "test_files.h"

using namespace std::chrono_literals;
using test_support::ChildProcess;

namespace {

// SIGKILL on Linux; on Windows any number but SIGINT's and SIGTERM's is TerminateProcess.
constexpr int kill_outright = 9;

}  // namespace

// However the parent ends, with no clean-up of its own or killed outright, the system ends
// the program tied to it: the server's port closes within 2 s.
TEST(TiedPrograms, EndWithTheirParentHoweverItEnds) {
  struct Case {
    const char* parent_ends;
    const char* mode;
  };
  for (const Case& c : {Case{"by leaving at once", "exit"}, Case{"killed", "wait"}}) {
    SCOPED_TRACE(c.parent_ends);
    test_support::ScratchFolder folder;
    const std::string port = std::to_string(game_port);
    ChildProcess parent({test_support::tied_parent_binary(), test_support::server_binary(), port,
                         folder.file("server.log"), c.mode},
                        {}, test_support::source_dir());
    ASSERT_TRUE(parent.wait_for_stdout("serving", 20s))
        << parent.err() << test_support::read_file(folder.file("server.log"));
    if (std::string(c.mode) == "wait") parent.signal(kill_outright);
    parent.wait_for_exit(10s);
    auto deadline = std::chrono::steady_clock::now() + 2s;
    while (test_support::port_is_listening(game_port) &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(test_support::port_is_listening(game_port));
  }
}
