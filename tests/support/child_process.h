/*
 * A program run by a test: started with its own environment and working folder, its
 * stdout and stderr collected, signalled, and waited for with a deadline.
 *
 * Output goes to files, not pipes, so a chatty child never blocks on a full pipe while
 * the test is busy elsewhere; out() and err() read what it wrote so far, as text: a line
 * ends in LF, whichever system the child's C runtime wrote it for. The test's
 * thread alone uses it. The destructor kills and reaps a child still running, so a
 * failing test never leaves a program behind.
 *
 * The waiting is common (child_process.cpp); starting, signalling, ending and reading
 * the output are the platform's: child_process_posix.cpp (fork, exec, unnamed files in
 * memory) or child_process_windows.cpp (CreateProcess, temporary files, console control
 * events; see signal()).
 */
#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
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

  // Sends a signal to the child, unless it has already been reaped. On Windows, SIGINT
  // and SIGTERM send CTRL_BREAK_EVENT to the child's own process group (a console
  // program's stop request; the default handler ends it as by a signal), and any other
  // number ends it at once with TerminateProcess.
  void signal(int number) const;

  // Waits for the child to end and gives its exit status, or -1 if it did not end in
  // time (it is then killed) or was ended by a signal.
  int wait_for_exit(std::chrono::milliseconds deadline);

  // Everything the child has written to stdout so far.
  const std::string& out() const;
  // Everything the child has written to stderr so far.
  const std::string& err() const;
  // The child's process id.
  pid_t pid() const;

 private:
  enum class Stream { out, err };
  // What the platform keeps of the running child.
  struct Platform;

  // Reaps the child if it has ended, without waiting; whether it has.
  bool has_exited();
  // Kills a child still running and reaps it; its status is then -1.
  void end_now();
  // The status of a reaped child: its exit code, or -1 if a signal or end_now ended it.
  int exit_status() const;
  // Everything the child has written to `stream` so far.
  std::string written_to(Stream stream) const;

  // Waits until `condition` holds; false if the deadline or the child's end comes first.
  template <typename Condition>
  bool wait_until(Condition condition, std::chrono::milliseconds deadline);

  std::unique_ptr<Platform> platform_;
  mutable std::string out_;
  mutable std::string err_;
};

}  // namespace test_support
