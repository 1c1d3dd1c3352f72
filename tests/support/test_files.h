/*
 * The files a test works with: a scratch folder of its own, whole files read and
 * written, and texts split into lines.
 *
 * A ScratchFolder is made fresh under the system's temporary folder and removed with
 * everything in it when it goes; it throws std::runtime_error if it cannot be made.
 */
#pragma once

#include <string>
#include <vector>

namespace test_support {

class ScratchFolder {
 public:
  // Makes the folder.
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path.
  const std::string& path() const { return path_; }

  // The path of a file named `name` inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file; empty if it cannot be read.
std::string read_file(const std::string& path);

// Writes `content` as the whole of a file and says whether it could.
bool write_file(const std::string& path, const std::string& content);

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace test_support
