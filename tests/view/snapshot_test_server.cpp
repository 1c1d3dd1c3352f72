// A snapshot server for the end-to-end view test: a few units on the map's land.
//
// Listens on 127.0.0.1 (port 21000 unless given), serves one client, sends it a snapshot
// every 100 ms, and after the given number of snapshots falls silent (so a unit the
// player drives is not put back), keeping the connection open until the client leaves.
//
//   snapshot_test_server [--port N] [--snapshots N]     (0 snapshots: never silent)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>

#include "listening_peer.h"
#include "net/snapshot_format.h"

namespace {

// The first unit is a tank facing east on open land; the rest stand around it.
const UnitRecord units[] = {
    {620, 660, 270, 0, 1, 10}, {560, 620, 0, 0, 0, 11},   {680, 610, 45, 0, 4, 12},
    {760, 700, 90, 0, 2, 13},  {720, 760, 180, 0, 7, 14},
};
constexpr int unit_count = sizeof units / sizeof units[0];

// Longer than any run of the test that starts this server.
constexpr std::chrono::minutes patience{10};

}  // namespace

int main(int argc, char** argv) {
  int port = game_port;
  long snapshots = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--snapshots") == 0) snapshots = std::atol(argv[i + 1]);
  }

  std::unique_ptr<test_support::ListeningPeer> server;
  try {
    test_support::ListenOptions options;
    options.port = static_cast<uint16_t>(port);
    options.backlog = 1;
    server = std::make_unique<test_support::ListeningPeer>(options);
  } catch (const std::runtime_error& failure) {
    std::fprintf(stderr, "snapshot_test_server: %s\n", failure.what());
    return 1;
  }
  std::printf("listening on %d\n", port);
  std::fflush(stdout);

  if (!server->accept_client(patience)) return 1;
  SnapshotMessage message;
  encode_snapshot(units, unit_count, message.bytes);
  for (long sent = 0; snapshots == 0 || sent < snapshots; ++sent) {
    if (!server->send(message.bytes, snapshot_message_size)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The client itself never sends: it is waited for until it leaves.
  server->client_closed_within(patience);
  return 0;
}
