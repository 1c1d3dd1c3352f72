/*
 * The test process's own environment, as the libraries it loads read it (SDL reads
 * SDL_VIDEODRIVER): environment_posix.cpp or environment_windows.cpp. Main thread only,
 * before anything that reads the variable starts.
 */
#pragma once

#include <string>

namespace test_support {

// Sets variable `name` to `value`, replacing any value it had; false if it cannot.
bool set_environment(const std::string& name, const std::string& value);

}  // namespace test_support
