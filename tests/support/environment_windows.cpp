#include <stdlib.h>

#include "environment.h"

namespace test_support {

// The C runtime's copy, which getenv reads in every module on msvcrt (SDL.dll's too), and
// the process's, which child processes inherit.
bool set_environment(const std::string& name, const std::string& value) {
  return _putenv_s(name.c_str(), value.c_str()) == 0;
}

}  // namespace test_support
