/*
 * What the server's tests use to run the real quorvale-server: the shared child
 * process, port facts, a listening peer and scratch files under the short names these
 * tests use, the command line of the program, whose path the build gives
 * (program_paths.h), and the check of a command line it refuses.
 */
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "listening_peer.h"
#include "port_facts.h"
#include "program_paths.h"
#include "scratch_folder.h"
#include "test_files.h"

using std::chrono::milliseconds;
using test_support::ChildProcess;
using test_support::free_port;
using test_support::lines_of;
using test_support::ListeningPeer;
using test_support::port_is_listening;
using test_support::read_file;
using test_support::ScratchFolder;
using test_support::write_file;

// The command that runs quorvale-server with these arguments.
inline std::vector<std::string> server_command(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{test_support::server_binary()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

// Runs the program and expects a failing exit with one stderr line mentioning `mention`.
inline void expect_refusal(const std::vector<std::string>& arguments, const std::string& mention) {
  ChildProcess server(server_command(arguments));
  const int code = server.wait_for_exit(milliseconds(10000));
  ASSERT_NE(code, -1) << "still running or killed: " << arguments.front();
  EXPECT_NE(code, 0) << arguments.front();
  const std::string said = server.err();
  EXPECT_EQ(lines_of(said).size(), 1u) << said;
  EXPECT_EQ(said.back(), '\n') << said;
  EXPECT_NE(said.find(mention), std::string::npos) << said;
}
