/*
 * A program run by a test: started with its own environment and working folder, its
 * stdout and stderr collected, signalled, and waited for with a deadline.
 *
 * Output goes to unnamed files, not pipes, so a chatty child never blocks on a full
 * pipe while the test is busy elsewhere; out() and err() read what it wrote so far.
 * The test's thread alone uses it. The destructor kills and reaps a child still
 * running, so a failing test never leaves a program behind.
 */
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

class ChildProcess {
 public:
  // Starts `argv[0]` with the extra `env` entries ("NAME=value") in folder `cwd` (here,
  // if empty). Throws std::runtime_error if the child cannot be started at all.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& cwd);
  // Starts `argv[0]` here, with the test's own environment.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until stdout holds `text`; false if the deadline or the child's end comes first.
  bool wait_for_stdout(const std::string& text, std::chrono::milliseconds deadline);

  // Waits until stderr holds `text`; false if the deadline or the child's end comes first.
  bool wait_for_stderr(const std::string& text, std::chrono::milliseconds deadline);

  // Waits until something listens on TCP `port`; false if the deadline or the child's
  // end comes first.
  bool wait_until_listening(uint16_t port, std::chrono::milliseconds deadline);

  // Sends a signal to the child, unless it has already been reaped.
  void signal(int number) const;

  // Waits for the child to end and gives its exit status, or -1 if it did not end in
  // time (it is then killed) or was ended by a signal.
  int wait_for_exit(std::chrono::milliseconds deadline);

  // Everything the child has written to stdout so far.
  const std::string& out() const;
  // Everything the child has written to stderr so far.
  const std::string& err() const;
  // The child's process id.
  pid_t pid() const { return pid_; }

 private:
  // Reaps the child if it has ended, without waiting; whether it has.
  bool has_exited();

  // Waits until `condition` holds; false if the deadline or the child's end comes first.
  template <typename Condition>
  bool wait_until(Condition condition, std::chrono::milliseconds deadline);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool exited_ = false;
  int status_ = -1;
  mutable std::string out_;
  mutable std::string err_;
};

// The folder the tests run from: the source tree, where gfx/ is.
std::string source_dir();

// The build folder that holds the programs under test.
std::string build_dir();

}  // namespace test_support
