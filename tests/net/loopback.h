/*
 * Real sockets on 127.0.0.1 for the connection tests, and the client under test.
 *
 * loopback_socket is a plain POSIX socket at a port the system picks; the test accepts
 * and writes on it by hand, so the client reads from a real peer. pending_connect_target
 * is an address whose connect neither succeeds nor fails. Sequenced messages let a
 * reader tell a whole message from a torn or misframed one. Every wait here has a
 * deadline and returns what it saw, so a fault fails a test rather than hanging it.
 * running_client owns an io_service, a tcp_client on it and the network thread, and
 * stops them however the test ended.
 */
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "net/network_thread.h"
#include "net/snapshot_format.h"
#include "net/tcp_client.h"

namespace loopback {

using std::chrono::milliseconds;
using clock_type = std::chrono::steady_clock;

// Long enough for a loaded machine, short enough that a fault fails rather than hangs.
constexpr milliseconds deadline{5000};

// Waits until `fd` is ready for `events`, at most `timeout`.
inline bool wait_for(int fd, short events, milliseconds timeout) {
  pollfd p{fd, events, 0};
  return ::poll(&p, 1, static_cast<int>(timeout.count())) == 1;
}

// The endpoint 127.0.0.1:port as the client takes it.
inline boost::asio::ip::tcp::endpoint endpoint_at(uint16_t port) {
  return {boost::asio::ip::address_v4::loopback(), port};
}

// An endpoint list of the given endpoints, in that order, as resolution would give it.
inline endpoint_list endpoints_of(const std::vector<boost::asio::ip::tcp::endpoint>& endpoints) {
  return endpoint_list::create(endpoints.begin(), endpoints.end(), "127.0.0.1", "21000");
}

// A TCP socket bound to 127.0.0.1 at a free port; listening only if asked.
class loopback_socket {
 public:
  explicit loopback_socket(bool listening, int backlog = 4) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    if (listening) ::listen(fd, backlog);
  }
  ~loopback_socket() { ::close(fd); }
  loopback_socket(const loopback_socket&) = delete;
  loopback_socket& operator=(const loopback_socket&) = delete;

  boost::asio::ip::tcp::endpoint endpoint() const { return endpoint_at(port); }

  // Accepts one connection within `timeout`; -1 if none came.
  int accept_within(milliseconds timeout = deadline) {
    if (!wait_for(fd, POLLIN, timeout)) return -1;
    const int peer = ::accept(fd, nullptr, nullptr);
    if (peer >= 0) {
      const int on = 1;
      ::setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return peer;
  }

  // True if a connection is waiting to be accepted right now.
  bool has_waiting_connection() { return wait_for(fd, POLLIN, milliseconds(0)); }

  int fd;
  uint16_t port;
};

// A listener nobody accepts from, filled until a connect to it stays pending: its
// accept queue is full, so the kernel drops further SYNs and the connect just waits.
class pending_connect_target {
 public:
  pending_connect_target() : listener(true, 0) {
    for (int tries = 0; tries < 16 && !filled; ++tries) {
      const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      const sockaddr_in address = to_sockaddr(listener.port);
      ::connect(filler, reinterpret_cast<const sockaddr*>(&address), sizeof address);
      fillers.push_back(filler);
      // A connect that has not completed in 200 ms is being dropped, not refused.
      filled = !wait_for(filler, POLLOUT, milliseconds(200));
    }
  }
  ~pending_connect_target() {
    for (int filler : fillers) ::close(filler);
  }

  loopback_socket listener;
  std::vector<int> fillers;
  bool filled = false;

 private:
  static sockaddr_in to_sockaddr(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
  }
};

// Writes all `size` bytes to `fd`; false if the connection failed.
inline bool send_all(int fd, const void* bytes, std::size_t size) {
  const char* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t sent = ::send(fd, at, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    at += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

// True if the peer of `fd` closes its end within `timeout` (a read then sees the end).
inline bool peer_closes_within(int fd, milliseconds timeout = deadline) {
  char byte;
  return wait_for(fd, POLLIN, timeout) && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

// One message of the given records, its count byte as given; bytes 1..7 and the bytes
// after the last record hold `filler` (the client must ignore them).
inline SnapshotMessage message_of(const std::vector<UnitRecord>& records, uint8_t count_byte,
                                  unsigned char filler = 0) {
  SnapshotMessage message;
  std::fill(std::begin(message.bytes), std::end(message.bytes), filler);
  message.bytes[0] = count_byte;
  for (std::size_t i = 0; i < records.size(); ++i)
    encode_unit_record(records[i], message.bytes + snapshot_records_offset + unit_record_size * i);
  return message;
}

// Writes `sequence` into every record of a sequenced message: its low half as heading,
// its high half as speed, and sequence * 63 plus the record's place as id.
inline void stamp_sequence(unsigned char* message, uint32_t sequence) {
  for (uint32_t i = 0; i < snapshot_max_records; ++i) {
    unsigned char* r = message + snapshot_records_offset + unit_record_size * i;
    wire::write_u16(r + 8, static_cast<uint16_t>(sequence));
    wire::write_u16(r + 10, static_cast<uint16_t>(sequence >> 16));
    wire::write_u16(r + 14, static_cast<uint16_t>(sequence * 63 + i));
  }
}

// A full message of 63 records that all carry `sequence`, and their own place as x, y
// and type; a snapshot torn from two messages, or read from a slipped boundary, cannot
// pass sequence_of.
inline SnapshotMessage sequenced_message(uint32_t sequence) {
  std::vector<UnitRecord> records;
  for (int i = 0; i < snapshot_max_records; ++i)
    records.push_back(UnitRecord{static_cast<float>(i), -static_cast<float>(i), 0, 0,
                                 static_cast<int16_t>(i), 0});
  SnapshotMessage message = message_of(records, snapshot_max_records);
  stamp_sequence(message.bytes, sequence);
  return message;
}

// One snapshot as take_snapshot hands it over.
struct taken_snapshot {
  int16_t count = 0;
  UnitRecord records[tcp_client::store_size];
};

// The sequence number of a whole sequenced snapshot; -1 if it is not one whole message.
inline int64_t sequence_of(const taken_snapshot& taken) {
  if (taken.count != snapshot_max_records) return -1;
  const uint32_t sequence = static_cast<uint16_t>(taken.records[0].heading) |
                            static_cast<uint32_t>(static_cast<uint16_t>(taken.records[0].speed))
                                << 16;
  for (int i = 0; i < snapshot_max_records; ++i) {
    const UnitRecord& r = taken.records[i];
    const bool whole = r.x == static_cast<float>(i) && r.y == -static_cast<float>(i) &&
                       r.heading == taken.records[0].heading && r.speed == taken.records[0].speed &&
                       r.type == i &&
                       r.id == static_cast<int16_t>(sequence * 63 + static_cast<uint32_t>(i));
    if (!whole) return -1;
  }
  return sequence;
}

// A tcp_client connecting to `endpoints`, with its network thread running.
class running_client {
 public:
  explicit running_client(endpoint_list endpoints)
      : client(std::make_unique<tcp_client>(io, std::move(endpoints))),
        network_thread(start_network_thread(io)) {}

  // Closes and joins; a thread that ignores the close is stopped so the test can end.
  ~running_client() {
    client->request_close();
    if (network_thread.joinable() && !ends_within()) {
      io.stop();
      network_thread.join();
    }
  }

  // Polls take_snapshot until it yields one or `timeout` passes.
  bool take_within(taken_snapshot& out, milliseconds timeout = deadline) {
    const auto end = clock_type::now() + timeout;
    while (!client->take_snapshot(out.records, out.count)) {
      if (clock_type::now() >= end) return false;
      std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
  }

  // True if the network thread ends within `timeout`, by itself or after a close.
  bool ends_within(milliseconds timeout = deadline) {
    return !network_thread.joinable() ||
           network_thread.try_join_for(boost::chrono::milliseconds(timeout.count()));
  }

  io_service io;
  std::unique_ptr<tcp_client> client;
  boost::thread network_thread;
};

}  // namespace loopback
