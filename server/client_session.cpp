#include "server/client_session.h"

#include <boost/asio/write.hpp>

ClientSession::ClientSession(boost::asio::ip::tcp::socket socket, std::size_t queue_limit,
                             EndHandler on_end)
    : socket_(std::move(socket)), queue_limit_(queue_limit), on_end_(std::move(on_end)) {
  boost::system::error_code error;
  const auto endpoint = socket_.remote_endpoint(error);
  peer_ = error ? std::string("unknown peer")
                : endpoint.address().to_string() + ":" + std::to_string(endpoint.port());
}

void ClientSession::deliver(SharedMessage message) {
  if (closed_) return;
  if (waiting_.size() >= queue_limit_) {
    waiting_.pop_front();
    ++dropped_;
  }
  waiting_.push_back(std::move(message));
  if (!writing_) write_next();
}

void ClientSession::write_next() {
  writing_ = std::move(waiting_.front());
  waiting_.pop_front();
  boost::asio::async_write(
      socket_, boost::asio::buffer(writing_->bytes, snapshot_message_size),
      [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
        self->writing_.reset();
        if (error) {
          self->end(error);
          return;
        }
        ++self->sent_;
        if (!self->closed_ && !self->waiting_.empty()) self->write_next();
      });
}

void ClientSession::close() {
  if (closed_) return;
  closed_ = true;
  waiting_.clear();
  boost::system::error_code ignored;
  socket_.close(ignored);
}

void ClientSession::end(const boost::system::error_code& error) {
  if (closed_) return;
  close();
  if (on_end_) on_end_(*this, error);
}
