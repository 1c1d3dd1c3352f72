/*
 * The test's end of a TCP connection on loopback: a ListeningPeer listens on 127.0.0.1
 * for the program under test to connect, then writes to, reads from and ends the
 * connection as the test scripts it.
 *
 * It listens from construction on the port asked for, or on one the system picks; a
 * fixed port is bound with SO_REUSEADDR, since a connection of the previous test may
 * linger on it in TIME_WAIT. It takes clients one at a time, and every call below acts
 * on the client it took last. It sends without delay (TCP_NODELAY), so each write leaves
 * as written. Every call that waits has a deadline and says whether what it waited for
 * came in time; none waits past it, and none leaves an operation running behind it.
 * Built on Boost.Asio with an io_context of its own that runs only inside its calls: one
 * thread at a time may use it (a test may hand it to a thread of its own, and take it
 * back once that thread has been joined). The destructor closes the connection and stops
 * listening.
 *
 * A ClosedPort holds a loopback port without listening on it, so a connect there is
 * refused. free_port() names a port for a server the test starts itself.
 */
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace test_support {

struct ListenOptions {
  // The port to listen on; 0 for one the system picks.
  uint16_t port = 0;
  // How many connections the system completes before they are taken; beyond that it
  // drops further connects (on Linux they stay pending).
  int backlog = 4;
  // The receive buffer of every client taken, when above 0; set before listening, so
  // the connection's window is small from its start.
  int receive_buffer_bytes = 0;
};

using std::chrono::milliseconds;

class ListeningPeer {
 public:
  // How long a send may wait for the client to read, unless the test says otherwise.
  static constexpr milliseconds send_deadline{60000};

  // Listens; throws std::runtime_error if the port cannot be had.
  explicit ListeningPeer(const ListenOptions& options = {});
  ~ListeningPeer();
  ListeningPeer(const ListeningPeer&) = delete;
  ListeningPeer& operator=(const ListeningPeer&) = delete;

  // Where it listens.
  uint16_t port() const;
  boost::asio::ip::tcp::endpoint endpoint() const;

  // Takes the next client's connection; false if none comes within the deadline.
  bool accept_client(milliseconds deadline);

  // The client's own port on the connection taken; 0 if there is none.
  uint16_t client_side_port() const;

  // Whether a connection waits to be taken within the deadline (by default: now). It is
  // left waiting.
  bool connection_waiting(milliseconds deadline = milliseconds(0));

  // Writes all the bytes; false if the connection failed or they were not all taken
  // within the deadline.
  bool send(const void* bytes, std::size_t size, milliseconds deadline = send_deadline);
  bool send(const std::string& bytes, milliseconds deadline = send_deadline);

  // Writes `bytes` in pieces of `piece` bytes, pausing `pause` after each, so the client
  // finds the stream cut where the pieces end.
  bool send_in_pieces(const std::string& bytes, std::size_t piece, milliseconds pause);

  // What the client sent, at most `at_most` bytes of it; empty if nothing came within the
  // deadline (zero: only what has arrived) or the connection ended.
  std::string receive(std::size_t at_most, milliseconds deadline);

  // Whether the client closes its end (an orderly close, not a reset) within the
  // deadline; anything it sends before is read and dropped.
  bool client_closed_within(milliseconds deadline);

  // Ends the sending half: the client reads the end of the stream; reading goes on.
  void close_sending();

  // Ends the connection with an orderly close.
  void close_connection();

  // Ends the connection with a reset (RST), as a crashed peer does; unsent bytes are
  // thrown away.
  void reset_connection();

 private:
  // Runs the io_context until `done` or the deadline; operations still running then are
  // cancelled and finished. Whether `done` came.
  bool run_until(const bool& done, milliseconds deadline);

  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::ip::tcp::socket client_;
};

// A loopback port bound but never listened on: a connect to it is refused.
class ClosedPort {
 public:
  // Binds; throws std::runtime_error if no port can be had.
  ClosedPort();
  boost::asio::ip::tcp::endpoint endpoint() const;

 private:
  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor bound_;
};

// A port on 127.0.0.1 that nothing listened on a moment ago; 0 if none could be found.
uint16_t free_port();

}  // namespace test_support
