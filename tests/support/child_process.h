/*
 * A program run by a test: started with its own environment and working folder, its
 * stdout and stderr collected, signalled, and waited for with a deadline.
 *
 * The test's thread alone uses it. The destructor kills a child that is still running.
 */
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

namespace test_support {

class ChildProcess {
 public:
  // Starts `argv[0]` with the extra `env` entries ("NAME=value") in folder `cwd`.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
               const std::string& cwd);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits until stdout holds `text`; false if the deadline or the child's end comes first.
  bool wait_for_stdout(const std::string& text, std::chrono::milliseconds deadline);

  // Sends a signal to the child.
  void signal(int number) const;

  // Waits for the child to end and gives its exit status, or -1 if it did not end in
  // time (it is then killed) or was ended by a signal.
  int wait_for_exit(std::chrono::milliseconds deadline);

  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  pid_t pid() const { return pid_; }

 private:
  // Reads what the child wrote so far, waiting up to `wait` for more.
  void collect(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool exited_ = false;
  int status_ = -1;
  std::string out_;
  std::string err_;
};

// The folder the tests run from: the source tree, where gfx/ is.
std::string source_dir();

// The build folder that holds the programs under test.
std::string build_dir();

}  // namespace test_support
