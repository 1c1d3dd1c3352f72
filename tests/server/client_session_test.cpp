// One client's queue, in-process over a loopback connection whose reader stalls.
#include "server/client_session.h"

#include <gtest/gtest.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstring>

#include "listening_peer.h"

namespace {

using boost::asio::ip::tcp;
using test_support::ListeningPeer;
using test_support::ListenOptions;

constexpr std::size_t queue_limit = 4;
constexpr uint32_t messages_offered = 300;

// A message whose first four bytes number it.
ClientSession::SharedMessage numbered(uint32_t number) {
  auto message = std::make_shared<SnapshotMessage>();
  std::memset(message->bytes, 0, snapshot_message_size);
  std::memcpy(message->bytes, &number, sizeof number);
  return message;
}

TEST(ClientSessionTest, AStalledClientLosesItsOldestWaitingMessagesAndGetsTheNewest) {
  boost::asio::io_context io;
  // poll() stops an io_context that runs out of work; the test polls long after that.
  const auto keep_polling = boost::asio::make_work_guard(io);
  // The test reads as the client, through a receive buffer that fills after a few messages.
  ListenOptions small_window;
  small_window.receive_buffer_bytes = 4096;
  ListeningPeer reader(small_window);
  tcp::socket connection(io);
  connection.connect(reader.endpoint());
  ASSERT_TRUE(reader.accept_client(std::chrono::seconds(10)));
  connection.set_option(boost::asio::socket_base::send_buffer_size(8192));
  bool ended = false;
  auto session = std::make_shared<ClientSession>(
      std::move(connection), queue_limit,
      [&](ClientSession&, const boost::system::error_code&) { ended = true; });

  for (uint32_t n = 0; n < messages_offered; ++n) {
    session->deliver(numbered(n));
    io.poll();
  }
  EXPECT_GT(session->messages_dropped(), 0u) << "the reader never read, so the queue overflowed";

  // The reader wakes up and takes everything until the last message offered arrives.
  std::vector<uint32_t> received;
  std::vector<unsigned char> pending;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((received.empty() || received.back() != messages_offered - 1) &&
         std::chrono::steady_clock::now() < deadline) {
    io.poll();
    const std::string chunk = reader.receive(4096, std::chrono::milliseconds(0));
    pending.insert(pending.end(), chunk.begin(), chunk.end());
    while (pending.size() >= snapshot_message_size) {
      uint32_t number;
      std::memcpy(&number, pending.data(), sizeof number);
      received.push_back(number);
      pending.erase(pending.begin(), pending.begin() + snapshot_message_size);
    }
  }
  ASSERT_GE(received.size(), queue_limit + 1);
  for (std::size_t i = 1; i < received.size(); ++i) ASSERT_LT(received[i - 1], received[i]);
  for (std::size_t back = 1; back <= queue_limit; ++back)
    EXPECT_EQ(received[received.size() - back], messages_offered - back)
        << "the newest messages are the ones that waited";
  EXPECT_EQ(session->messages_sent(), received.size());
  EXPECT_EQ(session->messages_sent() + session->messages_dropped(), messages_offered);
  EXPECT_FALSE(ended);

  reader.close_connection();
  for (uint32_t n = 0; n < 100 && !ended; ++n) {
    session->deliver(numbered(n));
    io.run_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(ended) << "a client that went away is reported once a write fails";
}

}  // namespace
