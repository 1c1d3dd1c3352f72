#include "listening_peer.h"

#include <array>
#include <boost/asio/write.hpp>
#include <functional>
#include <stdexcept>
#include <thread>

namespace test_support {

namespace {

using boost::asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

tcp::endpoint loopback_at(uint16_t port) { return {boost::asio::ip::address_v4::loopback(), port}; }

}  // namespace

ListeningPeer::ListeningPeer(const ListenOptions& options) : acceptor_(io_), client_(io_) {
  try {
    acceptor_.open(tcp::v4());
    if (options.port != 0) acceptor_.set_option(tcp::acceptor::reuse_address(true));
    if (options.receive_buffer_bytes > 0)
      acceptor_.set_option(
          boost::asio::socket_base::receive_buffer_size(options.receive_buffer_bytes));
    acceptor_.bind(loopback_at(options.port));
    acceptor_.listen(options.backlog);
  } catch (const boost::system::system_error& failure) {
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options.port) + " (" +
                             failure.code().message() + ")");
  }
}

ListeningPeer::~ListeningPeer() = default;

uint16_t ListeningPeer::port() const { return endpoint().port(); }

tcp::endpoint ListeningPeer::endpoint() const { return acceptor_.local_endpoint(); }

bool ListeningPeer::run_until(const bool& done, milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  io_.restart();
  while (!done && io_.run_one_until(end) > 0) {
  }
  // What is ready by now counts, even with a deadline of zero.
  if (!done) {
    io_.restart();
    io_.poll();
  }
  if (!done) {
    error_code ignored;
    acceptor_.cancel(ignored);
    client_.cancel(ignored);
    // The cancelled operations end here, while what their handlers write to still exists.
    io_.restart();
    io_.run();
  }
  return done;
}

bool ListeningPeer::accept_client(milliseconds deadline) {
  tcp::socket incoming(io_);
  bool done = false;
  error_code result;
  acceptor_.async_accept(incoming, [&](const error_code& error) {
    result = error;
    done = true;
  });
  if (!run_until(done, deadline) || result) return false;
  error_code ignored;
  incoming.set_option(tcp::no_delay(true), ignored);
  client_.close(ignored);
  client_ = std::move(incoming);
  return true;
}

uint16_t ListeningPeer::client_side_port() const {
  error_code error;
  const tcp::endpoint other_end = client_.remote_endpoint(error);
  return error ? 0 : other_end.port();
}

bool ListeningPeer::connection_waiting(milliseconds deadline) {
  bool done = false;
  error_code result;
  acceptor_.async_wait(tcp::acceptor::wait_read, [&](const error_code& error) {
    result = error;
    done = true;
  });
  return run_until(done, deadline) && !result;
}

bool ListeningPeer::send(const void* bytes, std::size_t size, milliseconds deadline) {
  bool done = false;
  error_code result;
  boost::asio::async_write(client_, boost::asio::buffer(bytes, size),
                           [&](const error_code& error, std::size_t) {
                             result = error;
                             done = true;
                           });
  return run_until(done, deadline) && !result;
}

bool ListeningPeer::send(const std::string& bytes, milliseconds deadline) {
  return send(bytes.data(), bytes.size(), deadline);
}

bool ListeningPeer::send_in_pieces(const std::string& bytes, std::size_t piece,
                                   milliseconds pause) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (!send(bytes.substr(at, piece))) return false;
    // Pacing, not waiting for anything: the next piece must not join this one.
    std::this_thread::sleep_for(pause);
  }
  return true;
}

std::string ListeningPeer::receive(std::size_t at_most, milliseconds deadline) {
  std::string bytes(at_most, '\0');
  bool done = false;
  std::size_t got = 0;
  client_.async_read_some(boost::asio::buffer(bytes), [&](const error_code& error, std::size_t n) {
    got = error ? 0 : n;
    done = true;
  });
  run_until(done, deadline);
  bytes.resize(got);
  return bytes;
}

bool ListeningPeer::client_closed_within(milliseconds deadline) {
  std::array<char, 4096> dropped;
  bool done = false;
  bool closed = false;
  std::function<void()> read_on = [&] {
    client_.async_read_some(boost::asio::buffer(dropped),
                            [&](const error_code& error, std::size_t) {
                              if (!error) return read_on();
                              closed = error == boost::asio::error::eof;
                              done = true;
                            });
  };
  read_on();
  return run_until(done, deadline) && closed;
}

void ListeningPeer::close_sending() {
  error_code ignored;
  client_.shutdown(tcp::socket::shutdown_send, ignored);
}

void ListeningPeer::close_connection() {
  error_code ignored;
  client_.close(ignored);
}

void ListeningPeer::reset_connection() {
  // A zero linger time turns the close into a reset.
  error_code ignored;
  client_.set_option(boost::asio::socket_base::linger(true, 0), ignored);
  client_.close(ignored);
}

ClosedPort::ClosedPort() : bound_(io_) {
  try {
    bound_.open(tcp::v4());
    bound_.bind(loopback_at(0));
  } catch (const boost::system::system_error& failure) {
    throw std::runtime_error("cannot bind a loopback port (" + failure.code().message() + ")");
  }
}

tcp::endpoint ClosedPort::endpoint() const { return bound_.local_endpoint(); }

uint16_t free_port() {
  boost::asio::io_context io;
  tcp::acceptor probe(io);
  error_code problem;
  probe.open(tcp::v4(), problem);
  if (!problem) probe.bind(loopback_at(0), problem);
  const tcp::endpoint bound = problem ? tcp::endpoint() : probe.local_endpoint(problem);
  return problem ? 0 : bound.port();
}

}  // namespace test_support
