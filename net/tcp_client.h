/*
 * tcp_client: the one connection to the game server.
 *
 * Connects to the first address that accepts, then reads 1024-byte snapshot messages
 * one after another until the connection ends, publishing each to the main thread.
 * It never sends, never reconnects and reports nothing about the connection.
 *
 * Threads: the constructor runs on the main thread before the network thread starts;
 * every handler runs on the network thread, which alone touches `socket` and
 * `read_buffer`. The main thread calls only take_snapshot and request_close. The
 * pending snapshot (records, count, ready flag) is shared and guarded by
 * `snapshot_mutex`, held only for one copy in or out.
 */
#pragma once

#include <cstdint>
#include <mutex>

#include "net/network.h"
#include "net/snapshot_format.h"

class tcp_client {
 public:
  // Room for more records than any message carries.
  static constexpr int store_size = 128;

  // Keeps the io_service and begins connecting to the first of the `resolved` endpoints.
  tcp_client(io_service& service, endpoint_list resolved);
  tcp_client(const tcp_client&) = delete;
  tcp_client& operator=(const tcp_client&) = delete;

  // Copies out the newest snapshot if one is pending; false if none is.
  bool take_snapshot(UnitRecord* records, int16_t& count);

  // Has the network thread close the connection; returns at once. After this the
  // client starts no further connect attempt and no read.
  void request_close();

 private:
  // The snapshot-stream fuzz target's feed: a message handed to publish_snapshot as if a
  // read had just completed, without a socket.
  friend struct CompletedReadFeed;

  void begin_connect(const endpoint_iterator& endpoint);
  void on_connect(const boost::system::error_code& error, const endpoint_iterator& remainder);
  void start_read();
  void on_read(const boost::system::error_code& error);
  void publish_snapshot();
  void close_socket();

  UnitRecord snapshot_records[store_size];
  int16_t snapshot_count = 0;
  unsigned char read_buffer[snapshot_message_size];
  io_service& io;
  boost::asio::ip::tcp::socket socket;
  bool snapshot_ready = false;
  std::mutex snapshot_mutex;

  // Network thread only: the list being tried, and whether close_socket has run.
  endpoint_list endpoints;
  bool closing = false;
};
