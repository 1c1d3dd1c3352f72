#include <sys/stat.h>

#include "blocking_file.h"

namespace test_support {

std::string make_blocking_file(const std::string& folder, const std::string& extension) {
  const std::string path = folder + "/pipe" + extension;
  return mkfifo(path.c_str(), 0600) == 0 ? path : "";
}

}  // namespace test_support
