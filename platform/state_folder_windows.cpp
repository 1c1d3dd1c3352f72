#include <cstdlib>

#include "platform/state_folder.h"

std::filesystem::path user_state_folder() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local && std::filesystem::path(local).is_absolute()) return local;
  std::error_code ignored;
  return std::filesystem::temp_directory_path(ignored);
}
