/*
 * Snapshots read back from a file written with --record, from the start again
 * once the end is reached.
 *
 * The file is read one message at a time, so a long recording costs no memory.
 * Owns the open file. Single thread.
 */
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "server/snapshot_source.h"

class ReplaySource : public SnapshotSource {
 public:
  // Opens a recording; on failure (unreadable, empty, not whole messages) returns
  // null and says why in `error`.
  static std::unique_ptr<ReplaySource> open(const std::string& path, std::string& error);
  ~ReplaySource() override;
  ReplaySource(const ReplaySource&) = delete;
  ReplaySource& operator=(const ReplaySource&) = delete;

  // The next recorded message, going back to the first after the last.
  bool next(SnapshotMessage& message, std::string& error) override;

 private:
  ReplaySource(std::FILE* file, std::string path);

  std::FILE* file_;
  std::string path_;
};
