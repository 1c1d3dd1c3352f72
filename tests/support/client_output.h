/*
 * What the client prints on standard output over a whole run.
 */
#pragma once

#include <string>

namespace test_support {

// Everything the client prints from start to a clean end, with `body` (what snapshots
// made it print) between the start-up lines and the goodbye.
inline std::string whole_run_output(const std::string& body) {
  return "It begins!\n"
         "Declarations complete\n"
         "Framerate cap set\n"
         "Main player created\n"
         "Screen created\n"
         "Map loaded\n"
         "Initing tcp_client...\n"
         "Main game has begun!\n" +
         body + "Cleaning up\nGoodbye!\n";
}

}  // namespace test_support
