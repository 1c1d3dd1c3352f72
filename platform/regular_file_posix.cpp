#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"
#include "platform/regular_file_opened.h"

std::FILE* open_regular_file(const std::string& path, long long& size, FileFault& fault,
                             std::string& reason) {
  // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    fault = errno == ENOENT || errno == ENOTDIR ? FileFault::missing : FileFault::unreadable;
    reason = std::strerror(errno);
    return nullptr;
  }
  struct stat status = {};
  const bool regular = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
  return file_of_descriptor(descriptor, regular, static_cast<long long>(status.st_size), size,
                            fault, reason);
}

bool names_a_device(const std::string&) { return false; }
