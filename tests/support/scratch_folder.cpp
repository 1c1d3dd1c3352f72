#include "scratch_folder.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace test_support {

namespace fs = std::filesystem;

namespace {

// A folder that did not exist before, under the temporary folder; create_directory says
// whether it made it, so two processes never share one.
fs::path new_unique_folder(const std::string& prefix) {
  const fs::path parent = fs::absolute(fs::temp_directory_path());
  std::random_device seed;
  std::mt19937_64 names(seed());
  for (int tries = 0; tries < 100; ++tries) {
    fs::path folder = parent / (prefix + "-" + std::to_string(names() % 1000000000));
    std::error_code problem;
    if (fs::create_directory(folder, problem)) return folder;
    if (problem)
      throw std::runtime_error("cannot make " + folder.string() + ": " + problem.message());
  }
  throw std::runtime_error("no unused folder name under " + parent.string());
}

}  // namespace

FolderEntry::FolderEntry(const fs::path& folder) : start_(fs::current_path()) {
  std::error_code problem;
  fs::current_path(folder, problem);
  if (problem)
    throw std::runtime_error("cannot enter " + folder.string() + ": " + problem.message());
}

FolderEntry::~FolderEntry() {
  std::error_code ignored;
  fs::current_path(start_, ignored);
}

ScratchFolder::ScratchFolder(const std::string& prefix, Entry entry)
    : path_(new_unique_folder(prefix).string()) {
  if (entry == Entry::enter) {
    try {
      entry_.emplace(path_);
    } catch (...) {
      std::error_code ignored;
      fs::remove_all(path_, ignored);
      throw;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  // Left first: a folder that is someone's working folder cannot be removed everywhere.
  entry_.reset();
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string ScratchFolder::file(const std::string& name) const {
  return (fs::path(path_) / name).string();
}

}  // namespace test_support
