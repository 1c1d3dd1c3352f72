/*
 * The paths of this build's programs, for the suites that start them. The build gives them
 * to program_paths.cpp alone (tests/CMakeLists.txt): a path compiled into a file is part of
 * the compiler cache's key, so in a new clone only that small file is compiled afresh, not
 * every suite that starts a program.
 */
#pragma once

#include <string>

namespace test_support {

// The game (quorvale), the snapshot server (quorvale-server), and the parent whose tied
// server must end with it (tests/process/tied_parent).
std::string client_binary();
std::string server_binary();
std::string tied_parent_binary();

}  // namespace test_support
