// ChildProcess on Windows: CreateProcess, output into temporary files, console control
// events for SIGINT and SIGTERM.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "child_process.h"

namespace test_support {

struct ChildProcess::Platform {
  PROCESS_INFORMATION process{};
  // Our own handles on the child's output files: reading them never moves the child's
  // write position, which lives in the child's handles.
  HANDLE out = INVALID_HANDLE_VALUE;
  HANDLE err = INVALID_HANDLE_VALUE;
  bool exited = false;
  bool ended_by_us = false;
};

namespace {

// What the default console handler leaves as the exit code of a program it stopped.
constexpr DWORD stopped_by_console_event = 0xC000013A;

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

// A temporary file for one of the child's output streams: `child_end` is inheritable and
// writes, the returned handle reads; the file goes when the last handle is closed.
HANDLE output_file(HANDLE& child_end) {
  char folder[MAX_PATH + 1];
  char path[MAX_PATH + 1];
  if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "qvt", 0, path) == 0)
    fail("cannot name a file for the child's output");
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  child_end = CreateFileA(path, GENERIC_WRITE, share, &inherited, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (child_end == INVALID_HANDLE_VALUE) fail(std::string("cannot make ") + path);
  const HANDLE reader = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (reader == INVALID_HANDLE_VALUE) {
    CloseHandle(child_end);
    fail(std::string("cannot read ") + path);
  }
  return reader;
}

// The whole content of a file, read from its start, with the text mode's CR LF line ends
// as LF.
std::string text_of(HANDLE file) {
  std::string content;
  char buffer[4096];
  for (;;) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(content.size());
    DWORD n = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &n, &at) || n == 0) break;
    content.append(buffer, n);
  }
  std::string text;
  for (std::size_t i = 0; i < content.size(); ++i)
    if (content[i] != '\r' || i + 1 == content.size() || content[i + 1] != '\n') text += content[i];
  return text;
}

// One argument quoted so that the child's C runtime reads it back unchanged.
std::string quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are escaped, and so is the quote.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  // Backslashes before the closing quote are escaped too.
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

std::string command_line(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& argument : argv) line += (line.empty() ? "" : " ") + quoted(argument);
  return line;
}

// A "NAME=value" entry's name in upper case: Windows' names ignore case.
std::string name_of(const std::string& entry) {
  std::string name = entry.substr(0, entry.find('=', 1));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

// The test's environment with the `extra` entries added, replacing any of the same name,
// as the block CreateProcess takes: sorted by name, each entry and the block ended by a
// null.
std::string environment_block(const std::vector<std::string>& extra) {
  std::vector<std::string> entries;
  char* const current = GetEnvironmentStringsA();
  for (const char* entry = current; entry && *entry; entry += std::strlen(entry) + 1) {
    const std::string name = name_of(entry);
    const bool replaced = std::any_of(extra.begin(), extra.end(),
                                      [&](const std::string& e) { return name_of(e) == name; });
    if (!replaced) entries.emplace_back(entry);
  }
  if (current) FreeEnvironmentStringsA(current);
  entries.insert(entries.end(), extra.begin(), extra.end());
  std::sort(entries.begin(), entries.end(),
            [](const std::string& a, const std::string& b) { return name_of(a) < name_of(b); });
  std::string block;
  for (const std::string& entry : entries) block += entry + '\0';
  return block + '\0';
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::string& cwd)
    : platform_(std::make_unique<Platform>()) {
  if (argv.empty()) throw std::runtime_error("no program to run");
  Platform& child = *platform_;
  HANDLE child_out = INVALID_HANDLE_VALUE;
  HANDLE child_err = INVALID_HANDLE_VALUE;
  child.out = output_file(child_out);
  child.err = output_file(child_err);
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE no_input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherited, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = no_input;
  startup.hStdOutput = child_out;
  startup.hStdError = child_err;
  std::string line = command_line(argv);
  std::string environment = environment_block(env);
  // Its own process group, so a console control event reaches the child alone.
  const BOOL started = CreateProcessA(
      nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, environment.data(),
      cwd.empty() ? nullptr : cwd.c_str(), &startup, &child.process);
  const DWORD why = GetLastError();
  // The child holds its own copies now.
  CloseHandle(child_out);
  CloseHandle(child_err);
  if (no_input != INVALID_HANDLE_VALUE) CloseHandle(no_input);
  if (!started) {
    CloseHandle(child.out);
    CloseHandle(child.err);
    throw std::runtime_error("cannot start " + argv[0] + " (error " + std::to_string(why) + ")");
  }
  CloseHandle(child.process.hThread);
}

ChildProcess::~ChildProcess() {
  end_now();
  CloseHandle(platform_->process.hProcess);
  CloseHandle(platform_->out);
  CloseHandle(platform_->err);
}

bool ChildProcess::has_exited() {
  Platform& child = *platform_;
  if (!child.exited && WaitForSingleObject(child.process.hProcess, 0) == WAIT_OBJECT_0)
    child.exited = true;
  return child.exited;
}

void ChildProcess::end_now() {
  Platform& child = *platform_;
  if (child.exited) return;
  TerminateProcess(child.process.hProcess, 1);
  WaitForSingleObject(child.process.hProcess, INFINITE);
  child.exited = true;
  child.ended_by_us = true;
}

int ChildProcess::exit_status() const {
  DWORD code = 0;
  if (!platform_->exited || platform_->ended_by_us ||
      !GetExitCodeProcess(platform_->process.hProcess, &code) || code == stopped_by_console_event)
    return -1;
  return static_cast<int>(code);
}

void ChildProcess::signal(int number) const {
  if (platform_->exited) return;
  if (number == SIGINT || number == SIGTERM)
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, platform_->process.dwProcessId);
  else
    TerminateProcess(platform_->process.hProcess, 1);
}

std::string ChildProcess::written_to(Stream stream) const {
  return text_of(stream == Stream::out ? platform_->out : platform_->err);
}

pid_t ChildProcess::pid() const { return static_cast<pid_t>(platform_->process.dwProcessId); }

}  // namespace test_support
