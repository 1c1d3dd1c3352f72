#include "tests/server/stream_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

StreamClient::StreamClient(uint16_t port, int receive_buffer_bytes) {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  if (fd_ < 0) return;
  if (receive_buffer_bytes > 0)
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receive_buffer_bytes, sizeof receive_buffer_bytes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) close();
}

StreamClient::~StreamClient() { close(); }

std::optional<SnapshotMessage> StreamClient::read_message(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (fd_ >= 0 && pending_.size() < snapshot_message_size) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
    unsigned char chunk[4096];
    const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
    if (got <= 0) {
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
  if (fd_ < 0) return;
  if (reset) {
    const linger abort_on_close{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
  }
  ::close(fd_);
  fd_ = -1;
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
