#include "fuzz/scratch_folder.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string folder;
std::vector<std::string> written;  // files and subfolders, in the order they were made
int start_folder_fd = -1;
int scratch_folder_fd = -1;

[[noreturn]] void give_up(const std::string& what) {
  std::fprintf(stderr, "fuzz target: %s (%s)\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void remove_scratch_folder() {
  for (auto entry = written.rbegin(); entry != written.rend(); ++entry)
    std::remove((folder + "/" + *entry).c_str());
  rmdir(folder.c_str());
}

bool is_written(const std::string& relative_path) {
  for (const std::string& entry : written)
    if (entry == relative_path) return true;
  return false;
}

}  // namespace

void make_scratch_folder(const char* target_name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + target_name + "-XXXXXX";
  if (!mkdtemp(pattern.data())) give_up("cannot make a scratch folder " + pattern);
  char absolute[PATH_MAX];
  if (!realpath(pattern.c_str(), absolute)) give_up("cannot resolve " + pattern);
  folder = absolute;
  start_folder_fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  scratch_folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (start_folder_fd < 0 || scratch_folder_fd < 0) give_up("cannot open " + folder);
  std::atexit(remove_scratch_folder);
}

const std::string& scratch_folder() { return folder; }

void write_scratch_file(const std::string& relative_path, const std::string& bytes) {
  for (std::size_t slash = relative_path.find('/'); slash != std::string::npos;
       slash = relative_path.find('/', slash + 1)) {
    const std::string sub = relative_path.substr(0, slash);
    if (is_written(sub)) continue;
    if (mkdir((folder + "/" + sub).c_str(), 0700) != 0) give_up("cannot make " + sub);
    written.push_back(sub);
  }
  const std::string path = folder + "/" + relative_path;
  // A new file each time: rewriting one in place makes ext4 flush it at every close.
  std::remove(path.c_str());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) give_up("cannot write " + path);
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !whole) give_up("cannot write " + path);
  if (!is_written(relative_path)) written.push_back(relative_path);
}

void keep_findings_in_start_folder(int* argc, char*** argv) {
  char start[PATH_MAX];
  if (!getcwd(start, sizeof start)) give_up("cannot read the working folder");
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
        argument = flag + std::string(start) + "/" + argument.substr(length);
    }
    arguments.push_back(argument);
  }
  if (!has_prefix) arguments.push_back("-artifact_prefix=" + std::string(start) + "/");
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  *argc = static_cast<int>(arguments.size());
  *argv = pointers.data();
}

InScratchFolder::InScratchFolder() {
  if (fchdir(scratch_folder_fd) != 0) give_up("cannot enter " + folder);
}

InScratchFolder::~InScratchFolder() {
  if (fchdir(start_folder_fd) != 0) give_up("cannot go back to the start folder");
}
