/*
 * A test's client of the snapshot server: a loopback connection that reads whole
 * 1024-byte messages, never waiting past a deadline.
 *
 * Owns its socket, on Boost.Asio with an io_context of its own that runs only inside
 * read_message. Test thread only.
 */
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/snapshot_format.h"

class StreamClient {
 public:
  // Connects to 127.0.0.1:port; a non-zero receive_buffer_bytes shrinks the kernel's
  // receive buffer first, so a client that stops reading backs up quickly.
  explicit StreamClient(uint16_t port, int receive_buffer_bytes = 0);
  ~StreamClient();
  StreamClient(const StreamClient&) = delete;
  StreamClient& operator=(const StreamClient&) = delete;

  // Whether the connection is open.
  bool connected() const { return socket_.is_open(); }

  // Whether the server closed or reset the connection.
  bool ended() const { return ended_; }

  // The next whole message, or none if the deadline passes or the stream ends first.
  std::optional<SnapshotMessage> read_message(std::chrono::milliseconds limit);

  // Closes the connection; with `reset` the peer sees a reset instead of an orderly end.
  void close(bool reset = false);

 private:
  boost::asio::io_context io_;
  boost::asio::ip::tcp::socket socket_{io_};
  bool ended_ = false;
  std::vector<unsigned char> pending_;
};

// The records of a message, as many as its count byte says can be read.
std::vector<UnitRecord> records_of(const SnapshotMessage& message);

// A message's bytes as a string, to compare or search for messages.
std::string bytes_of(const SnapshotMessage& message);

// A file of back-to-back messages split into them (a partial one at the end is left out).
std::vector<std::string> messages_in(const std::string& file_content);
