#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"
#include "platform/regular_file_opened.h"

namespace {

// The names Windows keeps for devices in every folder, whatever follows a dot.
constexpr const char* device_names[] = {"CON",  "PRN",  "AUX",  "NUL",  "CONIN$", "CONOUT$",
                                        "COM1", "COM2", "COM3", "COM4", "COM5",   "COM6",
                                        "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",
                                        "LPT4", "LPT5", "LPT6", "LPT7", "LPT8",   "LPT9"};

bool is_regular(const struct _stat64& status) { return (status.st_mode & _S_IFMT) == _S_IFREG; }

// Whether `path` names a folder, however it ends: the C runtime's _stat finds no folder whose
// name ends in a separator, and opening one fails as if it were a file we may not read.
bool is_folder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool names_a_device(const std::string& path) {
  if (path.rfind("\\\\.\\", 0) == 0 || path.rfind("//./", 0) == 0) return true;
  const std::size_t slash = path.find_last_of("\\/:");
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return std::find_if(std::begin(device_names), std::end(device_names),
                      [&](const char* device) { return name == device; }) != std::end(device_names);
}

std::FILE* open_regular_file(const std::string& path, long long& size, FileFault& fault,
                             std::string& reason) {
  // A device is opened, not read: CON would wait for the keyboard. Looked at before
  // opening, and the open file again, in case the path changed in between.
  struct _stat64 status = {};
  if (names_a_device(path) || is_folder(path) ||
      (_stat64(path.c_str(), &status) == 0 && !is_regular(status))) {
    fault = FileFault::not_regular;
    return nullptr;
  }
  const int descriptor = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (descriptor < 0) {
    fault = errno == ENOENT ? FileFault::missing : FileFault::unreadable;
    reason = std::strerror(errno);
    return nullptr;
  }
  const bool regular = _fstat64(descriptor, &status) == 0 && is_regular(status);
  return file_of_descriptor(descriptor, regular, status.st_size, size, fault, reason);
}
