#include "tests/server/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr milliseconds poll_interval{10};

}  // namespace

ScratchFolder::ScratchFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorvale-server-XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

ChildProcess::ChildProcess(std::vector<std::string> command, const ScratchFolder& scratch,
                           const std::string& folder, const std::vector<std::string>& environment) {
  static int children_started = 0;
  const std::string name = "child-" + std::to_string(++children_started);
  stdout_path_ = scratch.file(name + ".out");
  stderr_path_ = scratch.file(name + ".err");
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(stdout_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(stderr_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(127);
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    execv(argv[0], argv.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0 || reaped_) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

bool ChildProcess::wait_until_listening(uint16_t port, milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (port_is_listening(port)) return true;
    if (wait_for_exit(milliseconds(0))) return false;
    std::this_thread::sleep_for(poll_interval);
  }
  return false;
}

std::optional<int> ChildProcess::wait_for_exit(milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!reaped_ && pid_ > 0) {
    if (waitpid(pid_, &exit_status_, WNOHANG) == pid_) {
      reaped_ = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(poll_interval);
  }
  if (!reaped_ || !WIFEXITED(exit_status_)) return std::nullopt;
  return WEXITSTATUS(exit_status_);
}

void ChildProcess::send(int signal_number) const {
  if (pid_ > 0 && !reaped_) kill(pid_, signal_number);
}

std::string ChildProcess::stdout_text() const { return read_file(stdout_path_); }

std::string ChildProcess::stderr_text() const { return read_file(stderr_path_); }

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

std::vector<std::string> server_command(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{QUORVALE_SERVER_BINARY};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
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
    return std::stol(line.substr(field.size() + 1));
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

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

bool write_file(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  return static_cast<bool>(file);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}
