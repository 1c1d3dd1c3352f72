#include <boost/asio/signal_set.hpp>
#include <csignal>

#include "platform/stop_requests.h"

struct StopRequests::Listener {
  explicit Listener(boost::asio::io_context& io) : signals(io, SIGINT, SIGTERM) {}
  boost::asio::signal_set signals;
};

StopRequests::StopRequests(boost::asio::io_context& io, std::function<void()> stop)
    : listener_(std::make_unique<Listener>(io)) {
  listener_->signals.async_wait(
      [stop = std::move(stop)](const boost::system::error_code& waited, int) {
        if (!waited) stop();
      });
}

StopRequests::~StopRequests() = default;

void StopRequests::cancel() { listener_->signals.cancel(); }
