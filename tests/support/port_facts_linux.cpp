#include <cstdio>
#include <sstream>
#include <string>

#include "port_facts.h"
#include "test_files.h"

namespace test_support {

bool port_is_listening(uint16_t port) {
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    for (const std::string& line : lines_of(read_file(table))) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      const bool local_port_matches =
          local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0;
      if (local_port_matches && state == "0A") return true;
    }
  }
  return false;
}

}  // namespace test_support
