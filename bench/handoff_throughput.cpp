// How fast the connection reads snapshots, whether any arrive torn or out of order, and
// what the network thread costs while the server is quiet.
//
// A loopback server writes numbered 63-record messages as fast as it can for 5 s while
// this thread takes one snapshot per 20 ms, as the frame loop does; then the server
// falls silent with the connection open and the network thread's CPU time is read for
// 2 s. Run: build/bench/handoff_throughput

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "tests/net/loopback.h"

using namespace loopback;
using std::chrono::duration;

namespace {

constexpr auto send_time = std::chrono::seconds(5);
constexpr auto quiet_time = std::chrono::seconds(2);
constexpr auto frame_time = std::chrono::milliseconds(20);
// Messages per write: the server's own cost should not be what is measured.
constexpr uint32_t batch = 32;

// CPU seconds the network thread has used so far, read on that thread.
double network_thread_cpu(io_service& io) {
  std::promise<double> seconds;
  boost::asio::post(io, [&seconds] {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    seconds.set_value(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                      (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
  });
  return seconds.get_future().get();
}

// Writes numbered messages until the time is up; returns how many.
uint32_t stream_messages(ListeningPeer& server) {
  static unsigned char buffer[batch * snapshot_message_size];
  for (uint32_t i = 0; i < batch; ++i)
    std::memcpy(buffer + i * snapshot_message_size, sequenced_message(i).bytes,
                snapshot_message_size);
  const auto end = Clock::now() + send_time;
  uint32_t sent = 0;
  while (Clock::now() < end) {
    for (uint32_t i = 0; i < batch; ++i)
      stamp_sequence(buffer + i * snapshot_message_size, sent + i);
    if (!server.send(buffer, sizeof buffer)) break;
    sent += batch;
  }
  return sent;
}

}  // namespace

int main() {
  ListeningPeer server;
  io_service io;
  tcp_client client(io, endpoints_of({server.endpoint()}));
  boost::thread network_thread = start_network_thread(io);
  if (!server.accept_client(deadline)) {
    std::fprintf(stderr, "the client did not connect\n");
    client.request_close();
    network_thread.join();
    return 1;
  }

  const double cpu_before = network_thread_cpu(io);
  std::atomic<bool> streaming{true};
  uint32_t sent = 0;
  const auto start = Clock::now();
  std::thread writer([&] {
    sent = stream_messages(server);
    streaming = false;
  });

  int64_t last = -1;
  int taken = 0, torn = 0, out_of_order = 0;
  std::vector<double> take_times;
  TakenSnapshot snapshot;
  // Frames go on until the last message written has been handed over, or it never comes.
  const auto give_up = start + send_time + std::chrono::seconds(30);
  while ((streaming || last < int64_t{sent} - 1) && Clock::now() < give_up) {
    std::this_thread::sleep_for(frame_time);
    const auto before = Clock::now();
    const bool got = client.take_snapshot(snapshot.records, snapshot.count);
    take_times.push_back(duration<double>(Clock::now() - before).count());
    if (!got) continue;
    const int64_t sequence = sequence_of(snapshot);
    ++taken;
    if (sequence < 0) ++torn;
    if (sequence >= 0 && sequence <= last) ++out_of_order;
    last = std::max(last, sequence);
  }
  const double read_time = duration<double>(Clock::now() - start).count();
  writer.join();
  const double cpu_streaming = network_thread_cpu(io) - cpu_before;

  const double cpu_quiet_start = network_thread_cpu(io);
  std::this_thread::sleep_for(quiet_time);
  const double cpu_quiet = network_thread_cpu(io) - cpu_quiet_start;
  client.request_close();
  network_thread.join();
  server.close_connection();

  const double seconds = duration<double>(send_time).count();
  std::printf("messages written in %.0f s: %u (%.0f per second, %.1f MB/s)\n", seconds, sent,
              sent / seconds, sent * snapshot_message_size / seconds / 1e6);
  std::printf("all read and the last handed over after %.2f s: %.0f snapshots per second\n",
              read_time, sent / read_time);
  std::printf("bytes lost or misframed: %lld (last sequence taken %lld of %u)\n",
              static_cast<long long>(sent - 1 - last) * snapshot_message_size,
              static_cast<long long>(last), sent - 1);
  std::printf("snapshots taken: %d, torn: %d, out of order: %d\n", taken, torn, out_of_order);
  std::sort(take_times.begin(), take_times.end());
  std::printf("take_snapshot, wall time: median %.2f us, longest %.1f us\n",
              take_times[take_times.size() / 2] * 1e6, take_times.back() * 1e6);
  std::printf("network thread CPU while streaming: %.2f s of %.2f s\n", cpu_streaming, read_time);
  std::printf("network thread CPU while the server is quiet: %.4f s of %.0f s\n", cpu_quiet,
              duration<double>(quiet_time).count());
  return torn == 0 && out_of_order == 0 && last == int64_t{sent} - 1 ? 0 : 1;
}
