/*
 * The files a test works with: the source and build trees, whole files read and written,
 * and texts split into lines. Scratch folders are in scratch_folder.h.
 */
#pragma once

#include <string>
#include <vector>

namespace test_support {

// The folder the tests run from: the source tree, where gfx/ is.
std::string source_dir();

// The build folder that holds the programs under test.
std::string build_dir();

// The whole content of a file; empty if it cannot be read.
std::string read_file(const std::string& path);

// Writes `content` as the whole of a file and says whether it could.
bool write_file(const std::string& path, const std::string& content);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace test_support
