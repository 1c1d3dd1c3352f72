#include "server/snapshot_server.h"

#include <boost/asio/ip/address.hpp>
#include <cmath>
#include <cstdio>

#include "platform/listening_address.h"

namespace {

using Clock = std::chrono::steady_clock;

// Pause before accepting again after a failed accept (e.g. out of file descriptors).
constexpr std::chrono::milliseconds accept_retry_delay{100};
// A tick this late is not caught up on; the schedule starts afresh from now.
constexpr int ticks_behind_before_reset = 10;

}  // namespace

SnapshotServer::SnapshotServer(boost::asio::io_context& io, const ServerSettings& settings,
                               SnapshotSource& source, MessageRecorder* recorder)
    : settings_(settings),
      source_(source),
      recorder_(recorder),
      acceptor_(io),
      tick_timer_(io),
      accept_retry_timer_(io),
      tick_period_(std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / settings.rate_hz))) {}

bool SnapshotServer::listen(std::string& error) {
  namespace ip = boost::asio::ip;
  boost::system::error_code problem;
  const ip::tcp::endpoint endpoint(ip::make_address(settings_.bind_address, problem),
                                   settings_.port);
  const std::string where = settings_.bind_address + " port " + std::to_string(settings_.port);
  if (!problem) acceptor_.open(endpoint.protocol(), problem);
  if (!problem) claim_listening_address(acceptor_, problem);
  if (!problem) acceptor_.bind(endpoint, problem);
  if (!problem) acceptor_.listen(ip::tcp::socket::max_listen_connections, problem);
  if (!problem) return true;
  if (problem == boost::asio::error::address_in_use)
    error = where + " is already in use; stop the program using it or pick another with --port";
  else
    error = "cannot listen on " + where + " (" + problem.message() + "); check --bind and --port";
  return false;
}

void SnapshotServer::start() {
  if (!settings_.quiet)
    log("serving on " + settings_.bind_address + " port " + std::to_string(settings_.port));
  accept_next();
  next_tick_ = Clock::now();
  on_tick();
}

void SnapshotServer::stop() {
  if (stopped_) return;
  stopped_ = true;
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  tick_timer_.cancel();
  accept_retry_timer_.cancel();
  for (const auto& client : clients_) client->close();
  clients_.clear();
  if (stop_handler_) stop_handler_();
}

void SnapshotServer::accept_next() {
  acceptor_.async_accept(
      [this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
        on_accept(error, std::move(socket));
      });
}

void SnapshotServer::on_accept(const boost::system::error_code& error,
                               boost::asio::ip::tcp::socket socket) {
  if (stopped_ || error == boost::asio::error::operation_aborted) return;
  if (error) {
    // Once per run of failures: out of descriptors, this repeats ten times a second.
    if (!accept_failing_) log("cannot accept a client (" + error.message() + "); trying again");
    accept_failing_ = true;
    accept_retry_timer_.expires_after(accept_retry_delay);
    accept_retry_timer_.async_wait([this](const boost::system::error_code& waited) {
      if (!waited && !stopped_) accept_next();
    });
    return;
  }
  accept_failing_ = false;
  boost::system::error_code ignored;
  socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
  socket.set_option(boost::asio::socket_base::send_buffer_size(client_send_buffer_bytes), ignored);
  auto client = std::make_shared<ClientSession>(
      std::move(socket), client_queue_limit,
      [this](ClientSession& ended, const boost::system::error_code& why) {
        on_client_end(ended, why);
      });
  clients_.insert(client);
  if (!settings_.quiet)
    log("client " + client->peer() + " connected (" + std::to_string(clients_.size()) +
        " connected)");
  accept_next();
}

void SnapshotServer::schedule_tick() {
  next_tick_ += tick_period_;
  const Clock::time_point now = Clock::now();
  if (now - next_tick_ > tick_period_ * ticks_behind_before_reset) next_tick_ = now;
  tick_timer_.expires_at(next_tick_);
  tick_timer_.async_wait([this](const boost::system::error_code& error) {
    if (!error && !stopped_) on_tick();
  });
}

void SnapshotServer::on_tick() {
  auto message = std::make_shared<SnapshotMessage>();
  std::string error;
  if (!source_.next(*message, error) || (recorder_ && !recorder_->write(*message, error))) {
    fail(error);
    return;
  }
  const ClientSession::SharedMessage shared = std::move(message);
  for (const auto& client : clients_) client->deliver(shared);
  schedule_tick();
}

void SnapshotServer::on_client_end(ClientSession& client, const boost::system::error_code& error) {
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (it->get() != &client) continue;
    // The copy keeps the session alive past its erasure, to the end of this handler.
    // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
    const std::shared_ptr<ClientSession> keep = *it;
    clients_.erase(it);
    if (!settings_.quiet)
      log("client " + client.peer() + " left after " + std::to_string(client.messages_sent()) +
          " messages (" + std::to_string(client.messages_dropped()) +
          " dropped): " + error.message() + " (" + std::to_string(clients_.size()) + " connected)");
    return;
  }
}

void SnapshotServer::fail(const std::string& why) {
  failure_ = why;
  stop();
}

void SnapshotServer::log(const std::string& line) const {
  std::fprintf(stderr, "quorvale-server: %s\n", line.c_str());
}
