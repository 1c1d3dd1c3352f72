/*
 * The end of open_regular_file that Linux and Windows share, once each has opened the
 * file without waiting and looked at what it opened.
 */
#pragma once

#include <cstdio>
#include <string>

#include "platform/regular_file.h"

// Makes the open `descriptor` a FILE for reading in binary mode if `regular` (what the
// system said of the opened file), with `file_size` going into `size`. On failure closes
// the descriptor and returns null with `fault` and, where the system gave one, `reason`
// set, as open_regular_file does.
std::FILE* file_of_descriptor(int descriptor, bool regular, long long file_size, long long& size,
                              FileFault& fault, std::string& reason);
