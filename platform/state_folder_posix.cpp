#include <cstdlib>

#include "platform/state_folder.h"

std::filesystem::path user_state_folder() {
  // The XDG rule: a relative path in the variable is ignored.
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && std::filesystem::path(state).is_absolute()) return state;
  const char* home = std::getenv("HOME");
  if (home && std::filesystem::path(home).is_absolute())
    return std::filesystem::path(home) / ".local" / "state";
  std::error_code ignored;
  return std::filesystem::temp_directory_path(ignored);
}
