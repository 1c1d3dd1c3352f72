#include "platform/regular_file_opened.h"

#include <cerrno>
#include <cstring>

// POSIX's close and fdopen: MinGW's runtime has them under these names too.
#include <unistd.h>

std::FILE* file_of_descriptor(int descriptor, bool regular, long long file_size, long long& size,
                              FileFault& fault, std::string& reason) {
  if (!regular) {
    close(descriptor);
    fault = FileFault::not_regular;
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "rb");
  if (!file) {
    reason = std::strerror(errno);
    close(descriptor);
    fault = FileFault::unreadable;
    return nullptr;
  }
  size = file_size;
  fault = FileFault::none;
  return file;
}
