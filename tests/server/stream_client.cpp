#include "tests/server/stream_client.h"

#include <cstring>

using boost::asio::ip::tcp;
using boost::system::error_code;

StreamClient::StreamClient(uint16_t port, int receive_buffer_bytes) {
  error_code failed;
  socket_.open(tcp::v4(), failed);
  if (failed) return;
  if (receive_buffer_bytes > 0)
    socket_.set_option(tcp::socket::receive_buffer_size(receive_buffer_bytes), failed);
  socket_.connect(tcp::endpoint(boost::asio::ip::address_v4::loopback(), port), failed);
  if (failed) close();
}

StreamClient::~StreamClient() { close(); }

std::optional<SnapshotMessage> StreamClient::read_message(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  unsigned char chunk[4096];
  while (socket_.is_open() && pending_.size() < snapshot_message_size) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    bool done = false;
    error_code result;
    std::size_t got = 0;
    socket_.async_read_some(boost::asio::buffer(chunk),
                            [&](const error_code& error, std::size_t size) {
                              result = error;
                              got = size;
                              done = true;
                            });
    io_.restart();
    io_.run_until(deadline);
    if (!done) {
      // The read ends here, while `chunk` still exists; what it took by then still counts.
      error_code ignored;
      socket_.cancel(ignored);
      io_.restart();
      io_.run();
    }
    if (result == boost::asio::error::operation_aborted) continue;
    if (result) {
      ended_ = true;
      return std::nullopt;
    }
    pending_.insert(pending_.end(), chunk, chunk + got);
  }
  if (pending_.size() < snapshot_message_size) return std::nullopt;
  SnapshotMessage message;
  std::memcpy(message.bytes, pending_.data(), snapshot_message_size);
  pending_.erase(pending_.begin(), pending_.begin() + snapshot_message_size);
  return message;
}

void StreamClient::close(bool reset) {
  if (!socket_.is_open()) return;
  error_code ignored;
  if (reset) socket_.set_option(tcp::socket::linger(true, 0), ignored);
  socket_.close(ignored);
}

std::vector<UnitRecord> records_of(const SnapshotMessage& message) {
  std::vector<UnitRecord> records;
  const int count = snapshot_readable_records(snapshot_count_byte(message.bytes));
  for (int i = 0; i < count; ++i)
    records.push_back(
        decode_unit_record(message.bytes + snapshot_records_offset + unit_record_size * i));
  return records;
}

std::string bytes_of(const SnapshotMessage& message) {
  return std::string(reinterpret_cast<const char*>(message.bytes), snapshot_message_size);
}

std::vector<std::string> messages_in(const std::string& file_content) {
  std::vector<std::string> messages;
  for (std::size_t at = 0; at + snapshot_message_size <= file_content.size();
       at += snapshot_message_size)
    messages.push_back(file_content.substr(at, snapshot_message_size));
  return messages;
}
