#include "fuzz/scratch_folder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Removed by its destructor when the process exits normally.
std::optional<test_support::ScratchFolder> folder;

[[noreturn]] void give_up(const std::string& what) {
  std::fprintf(stderr, "fuzz target: %s\n", what.c_str());
  std::exit(1);
}

// Enters the scratch folder, or ends the process with why it could not.
test_support::FolderEntry enter_scratch_folder() {
  try {
    return test_support::FolderEntry(folder->path());
  } catch (const std::runtime_error& failure) {
    give_up(failure.what());
  }
}

}  // namespace

void make_scratch_folder(const char* target_name) {
  try {
    folder.emplace(target_name);
  } catch (const std::runtime_error& failure) {
    give_up(failure.what());
  }
}

const std::string& scratch_folder() { return folder->path(); }

void write_scratch_file(const std::string& relative_path, const std::string& bytes) {
  const fs::path path = fs::path(folder->path()) / relative_path;
  std::error_code problem;
  fs::create_directories(path.parent_path(), problem);
  if (problem) give_up("cannot make " + path.parent_path().string() + ": " + problem.message());
  // A new file each time: rewriting one in place makes ext4 flush it at every close.
  fs::remove(path, problem);
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) give_up("cannot write " + path.string());
}

void keep_findings_in_start_folder(int* argc, char*** argv) {
  std::error_code problem;
  const std::string start = fs::current_path(problem).string();
  if (problem) give_up("cannot read the working folder: " + problem.message());
  static std::vector<std::string> arguments;
  static std::vector<char*> pointers;
  bool has_prefix = false;
  for (int i = 0; i < *argc; ++i) {
    std::string argument = (*argv)[i];
    for (const char* flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
      const std::size_t length = std::strlen(flag);
      if (argument.compare(0, length, flag) != 0) continue;
      has_prefix |= std::strcmp(flag, "-artifact_prefix=") == 0;
      if (argument.size() > length && argument[length] != '/')
        argument = flag + start + "/" + argument.substr(length);
    }
    arguments.push_back(argument);
  }
  if (!has_prefix) arguments.push_back("-artifact_prefix=" + start + "/");
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  *argc = static_cast<int>(arguments.size());
  *argv = pointers.data();
}

InScratchFolder::InScratchFolder() : entry_(enter_scratch_folder()) {}
