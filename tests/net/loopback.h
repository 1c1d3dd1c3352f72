/*
 * The connection tests' peers on 127.0.0.1, and the client under test.
 *
 * The peer is the kit's ListeningPeer: the test accepts and writes on it by hand, so the
 * client reads from a real peer. PendingConnectTarget is an address whose connect
 * neither succeeds nor fails, as Linux gives it (Windows refuses a connect to a full
 * queue). Sequenced messages let a reader tell a whole message from a torn or misframed
 * one. Every wait here has a deadline and returns what it saw, so a fault fails a test
 * rather than hanging it. RunningClient owns an io_service, a tcp_client on it and the
 * network thread, and stops them however the test ended.
 */
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "listening_peer.h"
#include "net/network_thread.h"
#include "net/snapshot_format.h"
#include "net/tcp_client.h"

namespace loopback {

using std::chrono::milliseconds;
using test_support::ClosedPort;
using test_support::ListeningPeer;
using test_support::ListenOptions;
using Clock = std::chrono::steady_clock;

// Long enough for a loaded machine, short enough that a fault fails rather than hangs.
constexpr milliseconds deadline{5000};

// An endpoint list of the given endpoints, in that order, as resolution would give it.
inline endpoint_list endpoints_of(const std::vector<boost::asio::ip::tcp::endpoint>& endpoints) {
  return endpoint_list::create(endpoints.begin(), endpoints.end(), "127.0.0.1",
                               std::to_string(game_port));
}

// A listener nobody accepts from, filled until a connect to it stays pending: its
// accept queue is full, so the kernel drops further connects and they just wait.
class PendingConnectTarget {
 public:
  PendingConnectTarget() {
    for (int tries = 0; tries < 16 && !filled; ++tries) {
      fillers.emplace_back(io);
      const auto connected = std::make_shared<bool>(false);
      fillers.back().async_connect(
          listener.endpoint(),
          [connected](const boost::system::error_code&) { *connected = true; });
      // A connect that has not completed in 200 ms is being dropped, not refused.
      io.restart();
      io.run_for(milliseconds(200));
      filled = !*connected;
    }
  }

  ListeningPeer listener{ListenOptions{0, 0}};
  boost::asio::io_context io;
  std::deque<boost::asio::ip::tcp::socket> fillers;
  bool filled = false;
};

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
struct TakenSnapshot {
  int16_t count = 0;
  UnitRecord records[tcp_client::store_size];
};

// The sequence number of a whole sequenced snapshot; -1 if it is not one whole message.
inline int64_t sequence_of(const TakenSnapshot& taken) {
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
class RunningClient {
 public:
  explicit RunningClient(endpoint_list endpoints)
      : client(std::make_unique<tcp_client>(io, std::move(endpoints))),
        network_thread(start_network_thread(io)) {}

  // Closes and joins; a thread that ignores the close is stopped so the test can end.
  ~RunningClient() {
    client->request_close();
    if (network_thread.joinable() && !ends_within()) {
      io.stop();
      network_thread.join();
    }
  }

  // Polls take_snapshot until it yields one or `timeout` passes.
  bool take_within(TakenSnapshot& out, milliseconds timeout = deadline) {
    const auto end = Clock::now() + timeout;
    while (!client->take_snapshot(out.records, out.count)) {
      if (Clock::now() >= end) return false;
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
