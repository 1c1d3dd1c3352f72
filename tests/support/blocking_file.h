/*
 * A name that stands for no regular file but for something an open could wait on for
 * ever, as the programs must refuse to read: blocking_file_posix.cpp makes a FIFO,
 * blocking_file_windows.cpp names the console device, which CON is in every folder.
 */
#pragma once

#include <string>

namespace test_support {

// The path of such a file in `folder`, its name ending in `extension` (".png"); empty if
// none could be made.
std::string make_blocking_file(const std::string& folder, const std::string& extension);

}  // namespace test_support
