#include "test_files.h"

namespace test_support {

std::string source_dir() { return QUORVALE_SOURCE_DIR; }

std::string build_dir() { return QUORVALE_BUILD_DIR; }

}  // namespace test_support
