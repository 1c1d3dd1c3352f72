#include "server/message_recorder.h"

#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"

namespace {

// The line that says writing the record file failed, and why.
std::string failure(const std::string& path) {
  return "cannot write record file " + path + " (" + std::strerror(errno) +
         "); free some space or pass another --record FILE";
}

}  // namespace

std::unique_ptr<MessageRecorder> MessageRecorder::create(const std::string& path,
                                                         std::string& error) {
  if (names_a_device(path)) {
    error = "cannot record to " + path + ": it names a device, not a file; pass a file to --record";
    return nullptr;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot create record file " + path + " (" + std::strerror(errno) +
            "); pass a writable path to --record";
    return nullptr;
  }
  return std::unique_ptr<MessageRecorder>(new MessageRecorder(file, path));
}

MessageRecorder::MessageRecorder(std::FILE* file, std::string path)
    : file_(file), path_(std::move(path)) {}

MessageRecorder::~MessageRecorder() {
  std::string ignored;
  close(ignored);
}

bool MessageRecorder::write(const SnapshotMessage& message, std::string& error) {
  if (file_ && std::fwrite(message.bytes, 1, snapshot_message_size, file_) == snapshot_message_size)
    return true;
  error = failure(path_);
  return false;
}

bool MessageRecorder::close(std::string& error) {
  if (!file_) return true;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (flushed && closed) return true;
  error = failure(path_);
  return false;
}
