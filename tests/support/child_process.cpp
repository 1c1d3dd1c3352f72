#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace test_support {

namespace {

using clock_type = std::chrono::steady_clock;

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::string& cwd) {
  int out_pipe[2];
  int err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    if (chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
  set_nonblocking(out_fd_);
  set_nonblocking(err_fd_);
}

ChildProcess::~ChildProcess() {
  if (!exited_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
}

void ChildProcess::collect(std::chrono::milliseconds wait) {
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  if (poll(fds, 2, static_cast<int>(wait.count())) <= 0) return;
  char buffer[4096];
  for (int i = 0; i < 2; ++i) {
    ssize_t n;
    while ((n = read(fds[i].fd, buffer, sizeof buffer)) > 0)
      (i == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
  }
}

bool ChildProcess::wait_for_stdout(const std::string& text, std::chrono::milliseconds deadline) {
  const auto end = clock_type::now() + deadline;
  while (out_.find(text) == std::string::npos) {
    if (clock_type::now() >= end) return false;
    collect(std::chrono::milliseconds(20));
    if (!exited_ && waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    if (exited_) {
      collect(std::chrono::milliseconds(0));
      return out_.find(text) != std::string::npos;
    }
  }
  return true;
}

void ChildProcess::signal(int number) const {
  if (!exited_) kill(pid_, number);
}

int ChildProcess::wait_for_exit(std::chrono::milliseconds deadline) {
  const auto end = clock_type::now() + deadline;
  while (!exited_) {
    collect(std::chrono::milliseconds(20));
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
      exited_ = true;
    } else if (clock_type::now() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      exited_ = true;
      status_ = -1;
      return -1;
    }
  }
  collect(std::chrono::milliseconds(0));
  return status_ >= 0 && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string source_dir() { return QUORVALE_SOURCE_DIR; }

std::string build_dir() { return QUORVALE_BUILD_DIR; }

}  // namespace test_support
