#include "net/tcp_client.h"

#include <boost/bind/bind.hpp>

tcp_client::tcp_client(io_service& service, endpoint_list resolved)
    : io(service), socket(service), endpoints(std::move(resolved)) {
  snapshot_ready = false;
  begin_connect(endpoints.begin());
}

void tcp_client::begin_connect(const endpoint_iterator& endpoint) {
  // An empty list (the name did not resolve) starts nothing: the network thread's run
  // then returns at once and the game goes on without a server.
  if (endpoint == endpoints.end()) return;
  endpoint_iterator remainder = endpoint;
  ++remainder;
  socket.async_connect(endpoint->endpoint(), boost::bind(&tcp_client::on_connect, this,
                                                         boost::placeholders::_1, remainder));
}

void tcp_client::on_connect(const boost::system::error_code& error,
                            const endpoint_iterator& remainder) {
  // Once closing, no further attempt and no read, so the shutdown join returns.
  if (closing) return;
  if (!error) {
    start_read();
    return;
  }
  if (remainder == endpoints.end()) return;
  boost::system::error_code ignored;
  socket.close(ignored);
  begin_connect(remainder);
}

void tcp_client::start_read() {
  boost::asio::async_read(socket, boost::asio::buffer(read_buffer),
                          boost::bind(&tcp_client::on_read, this, boost::placeholders::_1));
}

void tcp_client::on_read(const boost::system::error_code& error) {
  // A message cut short by the failure is dropped with the connection.
  if (error) {
    close_socket();
    return;
  }
  publish_snapshot();
  if (!closing) start_read();
}

void tcp_client::publish_snapshot() {
  std::lock_guard<std::mutex> lock(snapshot_mutex);
  const int count = snapshot_count_byte(read_buffer);
  const int records = snapshot_readable_records(count);
  // A count of 64..127 names more records than the message holds: take the 63 that fit.
  snapshot_count = static_cast<int16_t>(count > snapshot_max_records ? records : count);
  for (int i = 0; i < records; ++i)
    snapshot_records[i] =
        decode_unit_record(read_buffer + snapshot_records_offset + unit_record_size * i);
  snapshot_ready = true;
}

bool tcp_client::take_snapshot(UnitRecord* records, int16_t& count) {
  std::lock_guard<std::mutex> lock(snapshot_mutex);
  if (!snapshot_ready) return false;
  count = snapshot_count;
  for (int i = 0; i < count; ++i) records[i] = snapshot_records[i];
  snapshot_ready = false;
  return true;
}

void tcp_client::request_close() {
  boost::asio::post(io, boost::bind(&tcp_client::close_socket, this));
}

void tcp_client::close_socket() {
  closing = true;
  boost::system::error_code ignored;
  socket.close(ignored);
}
