/*
 * A fresh folder of a test's own under the system's temporary folder, and a stay in a
 * folder as the working folder.
 *
 * A ScratchFolder is made with a unique name and removed, with everything in it, when it
 * goes. Made with Entry::enter it is also the working folder until then, and the working
 * folder it replaced is restored first. A FolderEntry makes any folder the working folder
 * until it goes. Both throw std::runtime_error if the folder cannot be made or entered.
 * The working folder belongs to the whole process: enter folders from one thread only.
 */
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace test_support {

// Inside a folder from construction to destruction, which goes back to where it started.
class FolderEntry {
 public:
  explicit FolderEntry(const std::filesystem::path& folder);
  ~FolderEntry();
  FolderEntry(const FolderEntry&) = delete;
  FolderEntry& operator=(const FolderEntry&) = delete;

 private:
  std::filesystem::path start_;
};

class ScratchFolder {
 public:
  enum class Entry { stay, enter };

  // Makes the folder, named `prefix` and a unique ending; with Entry::enter, enters it.
  explicit ScratchFolder(const std::string& prefix = "quorvale-test", Entry entry = Entry::stay);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's absolute path.
  const std::string& path() const { return path_; }

  // The path of a file named `name` inside the folder.
  std::string file(const std::string& name) const;

 private:
  std::string path_;
  std::optional<FolderEntry> entry_;
};

}  // namespace test_support
