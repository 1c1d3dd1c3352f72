/*
 * Writes every message the server sends to a file, back to back, so --replay can
 * serve it again byte for byte.
 *
 * Owns the open file; buffered writes are flushed when it is closed or destroyed.
 * Single thread.
 */
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "net/snapshot_format.h"

class MessageRecorder {
 public:
  // Creates (or empties) the file; on failure returns null and says why in `error`.
  static std::unique_ptr<MessageRecorder> create(const std::string& path, std::string& error);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  // Appends one message; on failure says why in `error`.
  bool write(const SnapshotMessage& message, std::string& error);

  // Flushes and closes the file; on failure says why in `error`. Idempotent.
  bool close(std::string& error);

 private:
  MessageRecorder(std::FILE* file, std::string path);

  std::FILE* file_;
  std::string path_;
};
