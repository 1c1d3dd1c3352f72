#include "process_facts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

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

uint16_t free_port() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  uint16_t port = 0;
  if (probe >= 0 && bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  if (probe >= 0) close(probe);
  return port;
}

long process_memory_kb(pid_t pid, const std::string& field) {
  for (const std::string& line : lines_of(read_file("/proc/" + std::to_string(pid) + "/status"))) {
    if (line.rfind(field + ":", 0) != 0) continue;
    char* end = nullptr;
    const long kb = std::strtol(line.c_str() + field.size() + 1, &end, 10);
    return end == line.c_str() + field.size() + 1 ? -1 : kb;
  }
  return -1;
}

int open_descriptor_count(pid_t pid) {
  std::error_code problem;
  std::filesystem::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd", problem);
  if (problem) return -1;
  int count = 0;
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(problem)) {
    if (problem) return -1;
    ++count;
  }
  return count;
}

}  // namespace test_support
