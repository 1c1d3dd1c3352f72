/*
 * Programs a test runs as child processes (the real quorvale-server, and the
 * client), plus the small facts about them the tests read from /proc and the
 * scratch folders they work in.
 *
 * A ChildProcess owns its child: destroying it kills and reaps a child still
 * running, so a failing test never leaves a program behind. Test thread only.
 */
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using std::chrono::milliseconds;

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  // Makes the folder.
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The path of a file named `name` inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ChildProcess {
 public:
  // Runs `command` (program path first) in `folder` (or here, if empty), with extra
  // NAME=value `environment` entries; its stdout and stderr go to files in `scratch`.
  ChildProcess(std::vector<std::string> command, const ScratchFolder& scratch,
               const std::string& folder = "", const std::vector<std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The child's process id.
  pid_t pid() const { return pid_; }

  // Polls until something listens on `port`; false if the child exits or time runs out.
  bool wait_until_listening(uint16_t port, milliseconds limit);

  // Waits for the child to exit; its exit code, or none if it was killed or is still running.
  std::optional<int> wait_for_exit(milliseconds limit);

  // Sends a signal to the child.
  void send(int signal_number) const;

  // What the child has written to stdout so far.
  std::string stdout_text() const;
  // What the child has written to stderr so far.
  std::string stderr_text() const;

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int exit_status_ = 0;
  std::string stdout_path_;
  std::string stderr_path_;
};

// The command that runs quorvale-server with these arguments.
std::vector<std::string> server_command(const std::vector<std::string>& arguments);

// Whether something on this machine listens on TCP `port`.
bool port_is_listening(uint16_t port);

// A port on 127.0.0.1 that nothing listened on a moment ago.
uint16_t free_port();

// A size field such as "VmRSS" or "VmHWM" from /proc/PID/status, in kB; -1 if unreadable.
long process_memory_kb(pid_t pid, const std::string& field);

// How many file descriptors a process has open; -1 if unreadable.
int open_descriptor_count(pid_t pid);

// The whole content of a file; empty if it cannot be read.
std::string read_file(const std::string& path);

// Writes `content` as the whole of a file and says whether it could.
bool write_file(const std::string& path, const std::string& content);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);
