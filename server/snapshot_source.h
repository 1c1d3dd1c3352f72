/*
 * Where the server's messages come from: one whole snapshot message per tick.
 *
 * The server owns its source and asks it for the next message on its own thread.
 */
#pragma once

#include <string>

#include "net/snapshot_format.h"

class SnapshotSource {
 public:
  virtual ~SnapshotSource() = default;

  // Fills `message` with the next tick's message; on failure says why in `error`.
  virtual bool next(SnapshotMessage& message, std::string& error) = 0;
};
