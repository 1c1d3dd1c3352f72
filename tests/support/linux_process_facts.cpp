#include "linux_process_facts.h"

#include <cstdlib>
#include <filesystem>

#include "test_files.h"

namespace test_support {

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
