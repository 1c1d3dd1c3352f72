// The real server over loopback, watched through /proc and stopped by signals: a client
// that stops reading costs it no memory and holds up nobody, clients who leave are cleaned
// up, and on SIGINT or SIGTERM it logs its clients and stops cleanly. Linux only.
#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

#include "linux_process_facts.h"
#include "tests/server/stream_client.h"
#include "tests/server/stream_fixture.h"

using test_support::open_descriptor_count;
using test_support::process_memory_kb;

namespace {

// Where a run of messages starts in a recording, or -1 if its first message is not there.
long find_in(const std::vector<std::string>& recording, const std::string& message) {
  for (std::size_t i = 0; i < recording.size(); ++i)
    if (recording[i] == message) return static_cast<long>(i);
  return -1;
}

TEST_F(StreamTest, AClientThatStopsReadingHoldsUpNobodyAndLosesOnlyItsOldest) {
  const std::string recording_path = scratch_.file("all.rec");
  // At 20 Hz every tick is one step, so no two messages are alike and each can be found.
  auto server = start({"--units", "63", "--rate", "20", "--record", recording_path});
  StreamClient idle(port_, 4096);
  std::vector<std::unique_ptr<StreamClient>> readers;
  for (int i = 0; i < 3; ++i) readers.push_back(std::make_unique<StreamClient>(port_));
  std::vector<std::vector<std::string>> received(readers.size());
  for (std::size_t r = 0; r < readers.size(); ++r) {
    const auto message = readers[r]->read_message(message_limit);
    ASSERT_TRUE(message);
    received[r].push_back(bytes_of(*message));
  }
  const long memory_before = process_memory_kb(server->pid(), "VmRSS");
  for (int n = 0; n < 60; ++n) {
    for (std::size_t r = 0; r < readers.size(); ++r) {
      const auto message = readers[r]->read_message(message_limit);
      ASSERT_TRUE(message) << "reader " << r << " message " << n;
      received[r].push_back(bytes_of(*message));
    }
  }
  const long memory_after = process_memory_kb(server->pid(), "VmRSS");
  ASSERT_GT(memory_before, 0);
  EXPECT_LT(memory_after - memory_before, 8 * 1024) << "kB grew while one client stalled";

  // The stalled client catches up: its backlog, then the newest few, then the live stream.
  std::vector<std::string> idle_received;
  for (int n = 0; n < 60; ++n) {
    const auto message = idle.read_message(message_limit);
    ASSERT_TRUE(message) << "stalled client, message " << n;
    idle_received.push_back(bytes_of(*message));
  }
  server->signal(SIGTERM);
  ASSERT_EQ(server->wait_for_exit(exit_limit), 0);

  const std::vector<std::string> recording = messages_in(read_file(recording_path));
  for (std::size_t r = 0; r < readers.size(); ++r) {
    const long start = find_in(recording, received[r].front());
    ASSERT_GE(start, 0) << "reader " << r;
    ASSERT_LE(start + received[r].size(), recording.size());
    for (std::size_t n = 0; n < received[r].size(); ++n)
      ASSERT_EQ(received[r][n], recording[start + n])
          << "reader " << r << " missed a tick at " << n;
  }
  // Readers' last message was the newest when the stalled client began to read again.
  const long newest_at_resume = find_in(recording, received.front().back());
  long last = -1;
  int gaps = 0;
  for (const std::string& message : idle_received) {
    const long at = find_in(recording, message);
    ASSERT_GT(at, last) << "the stalled client got a message twice or out of order";
    if (last >= 0 && at != last + 1) {
      ++gaps;
      EXPECT_GE(at, newest_at_resume - 6) << "after the gap come the newest messages";
    }
    last = at;
  }
  EXPECT_EQ(gaps, 1) << "one run of dropped messages while it stalled, none after";
}

TEST_F(StreamTest, ClientsThatLeaveResetOrStallAreCleanedUp) {
  auto server = start({"--rate", "100"});
  const int descriptors_alone = open_descriptor_count(server->pid());
  ASSERT_GT(descriptors_alone, 0);
  for (int round = 0; round < 3; ++round) {
    StreamClient leaving(port_);
    StreamClient resetting(port_);
    StreamClient stalling(port_, 4096);
    ASSERT_TRUE(leaving.read_message(message_limit));
    ASSERT_TRUE(resetting.read_message(message_limit));
    leaving.close();
    resetting.close(true);
    StreamClient witness(port_);
    for (int n = 0; n < 100; ++n) ASSERT_TRUE(witness.read_message(message_limit));
    stalling.close();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int descriptors = open_descriptor_count(server->pid());
  while (descriptors != descriptors_alone && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(20));
    descriptors = open_descriptor_count(server->pid());
  }
  EXPECT_EQ(descriptors, descriptors_alone);
  StreamClient late(port_);
  EXPECT_TRUE(late.read_message(message_limit));
}

// Not quiet on purpose: the connect and leave lines are what this test reads.
TEST_F(StreamTest, LogsClientsAndStopsCleanlyOnEitherSignal) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    auto server = start({"--rate", "50"}, false);
    {
      StreamClient client(port_);
      ASSERT_TRUE(client.read_message(message_limit));
    }
    server->wait_for_stderr(" left ", std::chrono::seconds(10));
    StreamClient staying(port_);
    ASSERT_TRUE(staying.read_message(message_limit));
    server->signal(signal_number);
    EXPECT_EQ(server->wait_for_exit(exit_limit), 0);
    const std::string log = server->err();
    const std::vector<std::string> lines = lines_of(log);
    ASSERT_EQ(lines.size(), 4u) << log;
    EXPECT_NE(lines[0].find("serving on 127.0.0.1 port"), std::string::npos) << log;
    EXPECT_NE(lines[1].find("connected (1 connected)"), std::string::npos) << log;
    EXPECT_NE(lines[2].find("left after"), std::string::npos) << log;
    EXPECT_NE(lines[2].find("(0 connected)"), std::string::npos) << log;
    EXPECT_NE(lines[3].find("connected (1 connected)"), std::string::npos) << log;
    for (int n = 0; n < 1000 && staying.read_message(message_limit); ++n) continue;
    EXPECT_TRUE(staying.ended()) << "the stream ends when the server stops";
  }
}

}  // namespace
