// ChildProcess on Linux: fork and execve, output into unnamed files in memory.
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "child_process.h"

extern char** environ;

namespace test_support {

struct ChildProcess::Platform {
  pid_t pid = -1;
  int out_fd = -1;
  int err_fd = -1;
  bool exited = false;
  int status = -1;
};

namespace {

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
  pointers.reserve(words.size() + 1);
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::string& cwd)
    : platform_(std::make_unique<Platform>()) {
  if (argv.empty()) throw std::runtime_error("no program to run");
  // Everything the child needs is made before fork, so the child only calls
  // async-signal-safe functions even if the test has other threads.
  std::vector<std::string> arguments = argv;
  std::vector<std::string> environment = environment_with(env);
  const std::vector<char*> argument_pointers = pointers_to(arguments);
  const std::vector<char*> environment_pointers = pointers_to(environment);
  Platform& child = *platform_;
  child.out_fd = output_file("child-stdout");
  child.err_fd = output_file("child-stderr");
  child.pid = fork();
  if (child.pid < 0) {
    close(child.out_fd);
    close(child.err_fd);
    throw std::runtime_error("fork failed");
  }
  if (child.pid == 0) {
    if (dup2(child.out_fd, 1) < 0 || dup2(child.err_fd, 2) < 0) _exit(127);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    execve(argument_pointers[0], argument_pointers.data(), environment_pointers.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (!platform_->exited) end_now();
  close(platform_->out_fd);
  close(platform_->err_fd);
}

bool ChildProcess::has_exited() {
  Platform& child = *platform_;
  if (!child.exited && waitpid(child.pid, &child.status, WNOHANG) == child.pid) child.exited = true;
  return child.exited;
}

void ChildProcess::end_now() {
  Platform& child = *platform_;
  if (child.exited) return;
  kill(child.pid, SIGKILL);
  waitpid(child.pid, nullptr, 0);
  child.exited = true;
  child.status = -1;
}

int ChildProcess::exit_status() const {
  const int status = platform_->status;
  return platform_->exited && status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ChildProcess::signal(int number) const {
  if (!platform_->exited) kill(platform_->pid, number);
}

std::string ChildProcess::written_to(Stream stream) const {
  return content_of(stream == Stream::out ? platform_->out_fd : platform_->err_fd);
}

pid_t ChildProcess::pid() const { return platform_->pid; }

}  // namespace test_support
