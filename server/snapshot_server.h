/*
 * The server proper: accepts clients and sends each of them the same message every
 * tick, taken from a snapshot source and optionally written to a recording.
 *
 * A new client gets messages from the next tick on. Slow clients only lose their
 * own oldest waiting messages; the tick never waits for anyone. Borrows the
 * io_context, source and recorder, which must outlive it; everything runs on the
 * io_context's one thread.
 */
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "server/client_session.h"
#include "server/message_recorder.h"
#include "server/snapshot_source.h"

struct ServerSettings {
  std::string bind_address;
  uint16_t port;
  double rate_hz;
  bool quiet;
};

class SnapshotServer {
 public:
  // Messages that may wait for one client behind the one being written.
  static constexpr std::size_t client_queue_limit = 4;
  // Kernel send buffer asked for per client, so stale messages pile up here, not there.
  static constexpr int client_send_buffer_bytes = 8 * 1024;

  // A server that will send `source`'s messages, and write them to `recorder` if not null.
  SnapshotServer(boost::asio::io_context& io, const ServerSettings& settings,
                 SnapshotSource& source, MessageRecorder* recorder);

  // Binds and listens; on failure says why in `error`.
  bool listen(std::string& error);

  // Starts accepting clients and ticking.
  void start();

  // Stops ticking, closes every client and the listener, then calls the stop handler.
  void stop();

  // What to call once the server has stopped, by stop() or by a failure of its own.
  void set_stop_handler(std::function<void()> handler) { stop_handler_ = std::move(handler); }

  // Why the server stopped by itself, or "" if it did not.
  const std::string& failure() const { return failure_; }

 private:
  // Waits for the next client.
  void accept_next();
  // Takes a new client into the broadcast, or retries shortly after a failed accept.
  void on_accept(const boost::system::error_code& error, boost::asio::ip::tcp::socket socket);
  // Sets the timer for the next tick on a fixed schedule, so ticks do not drift.
  void schedule_tick();
  // Takes the next message, records it and hands it to every client.
  void on_tick();
  // Forgets a client whose connection ended and logs it.
  void on_client_end(ClientSession& client, const boost::system::error_code& error);
  // Stops the server because it cannot go on.
  void fail(const std::string& why);
  // Writes one line on stderr.
  void log(const std::string& line) const;

  ServerSettings settings_;
  SnapshotSource& source_;
  MessageRecorder* recorder_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::steady_timer tick_timer_;
  boost::asio::steady_timer accept_retry_timer_;
  std::chrono::steady_clock::duration tick_period_;
  std::chrono::steady_clock::time_point next_tick_;
  std::set<std::shared_ptr<ClientSession>> clients_;
  std::function<void()> stop_handler_;
  bool stopped_ = false;
  bool accept_failing_ = false;
  std::string failure_;
};
