#include <windows.h>

#include "platform/tied_programs.h"

namespace {

std::string reason_for(const std::string& what, DWORD error_number) {
  char text[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error_number,
                 0, text, sizeof text, nullptr);
  std::string reason = what + ": " + text;
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
  return reason;
}

// One argument as the C runtime's command-line parser reads it back: quoted, with the
// backslashes before a quote doubled.
void append_quoted(std::wstring& line, const std::wstring& argument) {
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

std::wstring command_line(const std::filesystem::path& program,
                          const std::vector<std::string>& arguments) {
  std::wstring line;
  append_quoted(line, program.wstring());
  for (const std::string& argument : arguments) {
    line += L' ';
    append_quoted(line, std::filesystem::path(argument).wstring());
  }
  return line;
}

// The job every tied program runs in. Its one handle is this process's and is never
// inherited, so it closes when this process ends, however it ends, and the job's programs
// end with it.
HANDLE tying_job(std::string& error) {
  static HANDLE job = [] {
    HANDLE made = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (made &&
        !SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      CloseHandle(made);
      made = nullptr;
    }
    return made;
  }();
  if (!job) error = reason_for("cannot make a job object", GetLastError());
  return job;
}

// Starts a program suspended, puts it in the job, then lets it run: it never runs a moment
// outside the job. Null, with `error`, if it cannot.
HANDLE start_in_job(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const std::filesystem::path& folder, DWORD flags, STARTUPINFOW& startup,
                    std::string& error) {
  HANDLE job = tying_job(error);
  if (!job) return nullptr;
  std::wstring line = command_line(program, arguments);
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                      flags | CREATE_SUSPENDED, nullptr, folder.c_str(), &startup, &started)) {
    error = reason_for("cannot start " + program.string(), GetLastError());
    return nullptr;
  }
  if (!AssignProcessToJobObject(job, started.hProcess)) {
    error = reason_for("cannot tie " + program.string() + " to this program", GetLastError());
    TerminateProcess(started.hProcess, 1);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return nullptr;
  }
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return started.hProcess;
}

}  // namespace

std::filesystem::path own_program_folder(std::string& error) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      error = reason_for("cannot tell where this program is", GetLastError());
      return {};
    }
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path).parent_path();
    }
    path.resize(path.size() * 2);
  }
}

struct TiedProgram::Platform {
  HANDLE process = nullptr;
};

TiedProgram::TiedProgram(std::unique_ptr<Platform> platform) : platform_(std::move(platform)) {}

std::unique_ptr<TiedProgram> TiedProgram::start(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments,
                                                const std::filesystem::path& folder,
                                                const std::filesystem::path& log,
                                                std::string& error) {
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  HANDLE log_file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log_file == INVALID_HANDLE_VALUE) {
    error = reason_for("cannot write " + log.string(), GetLastError());
    return nullptr;
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = log_file;
  startup.hStdError = log_file;
  // No console: the player sees the game's console and window, not a second console.
  HANDLE process = start_in_job(program, arguments, folder, CREATE_NO_WINDOW, startup, error);
  // The child holds its own copy; the game started later must not inherit this one.
  CloseHandle(log_file);
  if (!process) return nullptr;
  auto platform = std::make_unique<Platform>();
  platform->process = process;
  return std::unique_ptr<TiedProgram>(new TiedProgram(std::move(platform)));
}

TiedProgram::~TiedProgram() {
  TerminateProcess(platform_->process, 1);
  WaitForSingleObject(platform_->process, INFINITE);
  CloseHandle(platform_->process);
}

bool TiedProgram::has_ended() {
  return WaitForSingleObject(platform_->process, 0) == WAIT_OBJECT_0;
}

int hand_over_to(const std::filesystem::path& program, const std::filesystem::path& folder,
                 std::string& error) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  HANDLE game = start_in_job(program, {}, folder, 0, startup, error);
  if (!game) return -1;
  // Ctrl+C and Ctrl+Break reach the game on the same console, and the game decides; this
  // process waits for it rather than ending first and taking it down.
  SetConsoleCtrlHandler(nullptr, TRUE);
  WaitForSingleObject(game, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(game, &status);
  CloseHandle(game);
  return static_cast<int>(status);
}
