#include <stdlib.h>

#include "environment.h"

namespace test_support {

bool set_environment(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

}  // namespace test_support
