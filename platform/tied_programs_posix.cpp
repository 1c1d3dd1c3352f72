#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/tied_programs.h"

namespace {

// The program and its arguments as execv takes them; the strings stay owned by the caller.
std::vector<char*> exec_arguments(const std::string& program,
                                  const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::string reason_for(const std::string& what, int error_number) {
  return what + ": " + std::strerror(error_number);
}

// In the child, between fork and exec: only calls that are safe there. Tells the parent why
// it failed through `report` (closed on exec, so silence means it started).
[[noreturn]] void become_tied_child(pid_t parent, int log, int input, int report,
                                    const char* folder, char* const* argv) {
  // The kernel kills the child when its parent dies; a parent that died before the call is
  // caught by asking who the parent is now.
  const bool ready = prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && getppid() == parent &&
                     dup2(input, STDIN_FILENO) >= 0 && dup2(log, STDOUT_FILENO) >= 0 &&
                     dup2(log, STDERR_FILENO) >= 0 && chdir(folder) == 0;
  if (ready) execv(argv[0], argv);
  const int error_number = errno;
  (void)!write(report, &error_number, sizeof error_number);
  _exit(127);
}

}  // namespace

std::filesystem::path own_program_folder(std::string& error) {
  std::error_code failure;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failure);
  if (failure) {
    error = "cannot read /proc/self/exe: " + failure.message();
    return {};
  }
  return self.parent_path();
}

struct TiedProgram::Platform {
  pid_t pid = -1;
  bool reaped = false;
};

TiedProgram::TiedProgram(std::unique_ptr<Platform> platform) : platform_(std::move(platform)) {}

std::unique_ptr<TiedProgram> TiedProgram::start(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments,
                                                const std::filesystem::path& folder,
                                                const std::filesystem::path& log,
                                                std::string& error) {
  // Everything the child needs is made here: after fork it may only call what is safe there.
  const std::string program_path = program.string();
  const std::string folder_path = folder.string();
  const std::vector<char*> argv = exec_arguments(program_path, arguments);
  const int log_file = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (log_file < 0) {
    error = reason_for("cannot write " + log.string(), errno);
    return nullptr;
  }
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int report[2];
  if (input < 0 || pipe2(report, O_CLOEXEC) != 0) {
    error = reason_for("cannot start " + program_path, errno);
    close(log_file);
    if (input >= 0) close(input);
    return nullptr;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0)
    become_tied_child(parent, log_file, input, report[1], folder_path.c_str(), argv.data());
  const int fork_error = errno;
  close(report[1]);
  close(log_file);
  close(input);
  int child_error = 0;
  ssize_t got = 0;
  if (pid > 0) {
    do got = read(report[0], &child_error, sizeof child_error);
    while (got < 0 && errno == EINTR);
  }
  close(report[0]);
  if (pid < 0 || got > 0) {
    error = reason_for("cannot start " + program_path, pid < 0 ? fork_error : child_error);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return nullptr;
  }
  auto platform = std::make_unique<Platform>();
  platform->pid = pid;
  return std::unique_ptr<TiedProgram>(new TiedProgram(std::move(platform)));
}

TiedProgram::~TiedProgram() {
  if (platform_->reaped) return;
  kill(platform_->pid, SIGKILL);
  while (waitpid(platform_->pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

bool TiedProgram::has_ended() {
  if (!platform_->reaped) platform_->reaped = waitpid(platform_->pid, nullptr, WNOHANG) != 0;
  return platform_->reaped;
}

int hand_over_to(const std::filesystem::path& program, const std::filesystem::path& folder,
                 std::string& error) {
  const std::string program_path = program.string();
  if (chdir(folder.c_str()) != 0) {
    error = reason_for("cannot enter " + folder.string(), errno);
    return -1;
  }
  const std::vector<char*> argv = exec_arguments(program_path, {});
  execv(program_path.c_str(), argv.data());
  error = reason_for("cannot start " + program_path, errno);
  return -1;
}
