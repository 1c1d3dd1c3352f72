#include "blocking_file.h"

namespace test_support {

// Nothing to make: Windows keeps the name for the console, whatever the folder and
// extension, and opening it waits for the keyboard.
std::string make_blocking_file(const std::string& folder, const std::string& extension) {
  return folder + "\\CON" + extension;
}

}  // namespace test_support
