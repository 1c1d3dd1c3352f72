/*
 * What the server's tests use to run the real quorvale-server: the shared child
 * process, port facts, a listening peer and scratch files under the short names these
 * tests use, and the command line of the program, whose path the build gives as
 * QUORVALE_SERVER_BINARY.
 */
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "listening_peer.h"
#include "port_facts.h"
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
  std::vector<std::string> command{QUORVALE_SERVER_BINARY};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}
