#include "child_process.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "process_facts.h"

extern char** environ;

namespace test_support {

namespace {

using clock_type = std::chrono::steady_clock;

constexpr std::chrono::milliseconds poll_interval{10};

// An unnamed file in memory for one of the child's output streams.
int output_file(const char* name) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::string("cannot make a file for ") + name);
  return fd;
}

// The whole content of an open file, read from its start whatever its offset.
std::string content_of(int fd) {
  std::string content;
  char buffer[4096];
  ssize_t n;
  while ((n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(content.size()))) > 0)
    content.append(buffer, static_cast<std::size_t>(n));
  return content;
}

// The name part of a "NAME=value" entry, with its '=' (a bare "NAME" names itself).
std::string name_of(const std::string& entry) { return entry.substr(0, entry.find('=')) + "="; }

// The test's environment with the `extra` entries added, replacing any of the same name.
std::vector<std::string> environment_with(const std::vector<std::string>& extra) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry; ++entry) {
    bool replaced = false;
    for (const std::string& added : extra) {
      const std::string name = name_of(added);
      replaced |= std::strncmp(*entry, name.c_str(), name.size()) == 0;
    }
    if (!replaced) entries.push_back(*entry);
  }
  entries.insert(entries.end(), extra.begin(), extra.end());
  return entries;
}

// Pointers to the strings, ended by a null, as exec wants them.
std::vector<char*> pointers_to(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::string& cwd) {
  if (argv.empty()) throw std::runtime_error("no program to run");
  // Everything the child needs is made before fork, so the child only calls
  // async-signal-safe functions even if the test has other threads.
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = environment_with(env);
  const std::vector<char*> argument_pointers = pointers_to(arguments);
  const std::vector<char*> environment_pointers = pointers_to(environment);
  out_fd_ = output_file("child-stdout");
  err_fd_ = output_file("child-stderr");
  pid_ = fork();
  if (pid_ < 0) {
    close(out_fd_);
    close(err_fd_);
    throw std::runtime_error("fork failed");
  }
  if (pid_ == 0) {
    if (dup2(out_fd_, 1) < 0 || dup2(err_fd_, 2) < 0) _exit(127);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    execve(argument_pointers[0], argument_pointers.data(), environment_pointers.data());
    _exit(127);
  }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) : ChildProcess(argv, {}, "") {}

ChildProcess::~ChildProcess() {
  if (!exited_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
}

bool ChildProcess::has_exited() {
  if (!exited_ && waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
  return exited_;
}

template <typename Condition>
bool ChildProcess::wait_until(Condition condition, std::chrono::milliseconds deadline) {
  const auto end = clock_type::now() + deadline;
  while (!condition()) {
    // Whatever the child did before it ended still counts.
    if (has_exited()) return condition();
    if (clock_type::now() >= end) return false;
    std::this_thread::sleep_for(poll_interval);
  }
  return true;
}

bool ChildProcess::wait_for_stdout(const std::string& text, std::chrono::milliseconds deadline) {
  return wait_until([&] { return out().find(text) != std::string::npos; }, deadline);
}

bool ChildProcess::wait_for_stderr(const std::string& text, std::chrono::milliseconds deadline) {
  return wait_until([&] { return err().find(text) != std::string::npos; }, deadline);
}

bool ChildProcess::wait_until_listening(uint16_t port, std::chrono::milliseconds deadline) {
  return wait_until([port] { return port_is_listening(port); }, deadline);
}

void ChildProcess::signal(int number) const {
  if (!exited_) kill(pid_, number);
}

int ChildProcess::wait_for_exit(std::chrono::milliseconds deadline) {
  if (!wait_until([this] { return exited_; }, deadline)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    exited_ = true;
    status_ = -1;
  }
  return status_ >= 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

const std::string& ChildProcess::out() const { return out_ = content_of(out_fd_); }

const std::string& ChildProcess::err() const { return err_ = content_of(err_fd_); }

std::string source_dir() { return QUORVALE_SOURCE_DIR; }

std::string build_dir() { return QUORVALE_BUILD_DIR; }

}  // namespace test_support
