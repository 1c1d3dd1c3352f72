/*
 * TestPeer: a game server the test scripts byte by byte, on the client's own port.
 *
 * It listens on 127.0.0.1:21000 from construction, takes one connection, and writes
 * exactly the bytes it is given, in the pieces it is given, so a test decides where the
 * stream is cut, how fast it flows and how it ends (a close or a reset). While a write
 * waits for the client to read, it keeps calling the test's `pump`, which collects the
 * client's output so a full pipe never stalls the client. The test's thread alone uses
 * it; the destructor closes both sockets.
 */
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace test_support {

class TestPeer {
 public:
  // Called while a write waits; gets at most the given time to do its work.
  using Pump = std::function<void(std::chrono::milliseconds)>;

  // Listens on the client's port; throws std::runtime_error if the port cannot be had.
  explicit TestPeer(Pump pump);
  ~TestPeer();
  TestPeer(const TestPeer&) = delete;
  TestPeer& operator=(const TestPeer&) = delete;

  // Takes the client's connection; false if none comes within the deadline.
  bool accept_client(std::chrono::milliseconds deadline);

  // True if another connection is waiting to be taken (the client tried again).
  bool another_connection_waiting() const;

  // Writes all of `bytes` as one piece; false if the connection failed.
  bool send(const std::string& bytes);

  // Writes `bytes` in pieces of `piece` bytes, each on the wire before the next.
  bool send_in_pieces(const std::string& bytes, std::size_t piece, std::chrono::milliseconds pause);

  // Ends the connection with an orderly close.
  void close_connection();

  // Ends the connection with a reset (RST), as a crashed peer does.
  void reset_connection();

 private:
  // Waits, pumping, until the socket's send queue is empty or the deadline passes.
  void wait_until_sent(std::chrono::milliseconds deadline);

  Pump pump_;
  int listener_ = -1;
  int connection_ = -1;
};

}  // namespace test_support
