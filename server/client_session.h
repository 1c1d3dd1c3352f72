/*
 * One connected client: its socket and the messages waiting to be sent to it.
 *
 * Messages are shared between all clients and sent whole, one at a time. At most
 * `queue_limit` wait behind the one being written; when another arrives the oldest
 * waiting one is dropped, since a client only needs the newest world. The session
 * never reads. The server holds it in a shared_ptr; pending writes hold it too.
 * Lives on the io_context's one thread.
 */
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "net/snapshot_format.h"

class ClientSession : public std::enable_shared_from_this<ClientSession> {
 public:
  using SharedMessage = std::shared_ptr<const SnapshotMessage>;
  // Called once when the connection fails or the peer goes away (not after close()).
  using EndHandler = std::function<void(ClientSession&, const boost::system::error_code&)>;

  // Serves an accepted connection; `on_end` hears when it fails.
  ClientSession(boost::asio::ip::tcp::socket socket, std::size_t queue_limit, EndHandler on_end);

  // Queues a message behind the others, dropping the oldest waiting one if full.
  void deliver(SharedMessage message);

  // Closes the connection without calling the end handler.
  void close();

  // "address:port" of the peer, as it was when it connected.
  const std::string& peer() const { return peer_; }
  // Messages written whole so far.
  uint64_t messages_sent() const { return sent_; }
  // Messages dropped unsent because newer ones were waiting behind them.
  uint64_t messages_dropped() const { return dropped_; }

 private:
  // Starts writing the oldest waiting message.
  void write_next();
  // Closes after a failed write and tells the server, once.
  void end(const boost::system::error_code& error);

  boost::asio::ip::tcp::socket socket_;
  std::size_t queue_limit_;
  EndHandler on_end_;
  std::string peer_;
  std::deque<SharedMessage> waiting_;
  SharedMessage writing_;
  bool closed_ = false;
  uint64_t sent_ = 0;
  uint64_t dropped_ = 0;
};
