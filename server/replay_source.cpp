#include "server/replay_source.h"

#include "platform/regular_file.h"

std::unique_ptr<ReplaySource> ReplaySource::open(const std::string& path, std::string& error) {
  long long size = 0;
  FileFault fault = FileFault::none;
  std::string reason;
  std::FILE* file = open_regular_file(path, size, fault, reason);
  if (fault == FileFault::missing || fault == FileFault::unreadable) {
    error =
        "cannot open replay file " + path + " (" + reason + "); pass a file written with --record";
    return nullptr;
  }
  if (!file || size <= 0 || size % static_cast<long long>(snapshot_message_size) != 0) {
    if (file) std::fclose(file);
    error = "replay file " + path + " is " +
            (!file ? std::string("not a regular file")
                   : std::to_string(size) + " bytes, not a whole number of " +
                         std::to_string(snapshot_message_size) + "-byte messages") +
            "; pass a file written with --record";
    return nullptr;
  }
  return std::unique_ptr<ReplaySource>(new ReplaySource(file, path));
}

ReplaySource::ReplaySource(std::FILE* file, std::string path)
    : file_(file), path_(std::move(path)) {}

ReplaySource::~ReplaySource() { std::fclose(file_); }

bool ReplaySource::next(SnapshotMessage& message, std::string& error) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (std::fread(message.bytes, 1, snapshot_message_size, file_) == snapshot_message_size)
      return true;
    // At the end (or if the file shrank under us) start over from the first message.
    std::clearerr(file_);
    if (std::fseek(file_, 0, SEEK_SET) != 0) break;
  }
  error = "replay file " + path_ + " can no longer be read whole; keep it unchanged while serving";
  return false;
}
