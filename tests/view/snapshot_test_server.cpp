// A snapshot server for the end-to-end view test: a few units on the map's land.
//
// Listens on 127.0.0.1 (port 21000 unless given), serves one client, sends it a snapshot
// every 100 ms, and after the given number of snapshots falls silent (so a unit the
// player drives is not put back), keeping the connection open until the client leaves.
//
//   snapshot_test_server [--port N] [--snapshots N]     (0 snapshots: never silent)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "net/snapshot_format.h"

namespace {

// The first unit is a tank facing east on open land; the rest stand around it.
const UnitRecord units[] = {
    {620, 660, 270, 0, 1, 10}, {560, 620, 0, 0, 0, 11},   {680, 610, 45, 0, 4, 12},
    {760, 700, 90, 0, 2, 13},  {720, 760, 180, 0, 7, 14},
};
constexpr int unit_count = sizeof units / sizeof units[0];

// Writes the whole message; false once the client has gone.
bool send_message(int client, const unsigned char* message) {
  std::size_t sent = 0;
  while (sent < snapshot_message_size) {
    const ssize_t n = send(client, message + sent, snapshot_message_size - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Waits until the client closes its end (the client itself never sends).
void wait_for_close(int client) {
  char byte;
  while (recv(client, &byte, 1, 0) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  int port = 21000;
  long snapshots = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--port") == 0) port = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--snapshots") == 0) snapshots = std::atol(argv[i + 1]);
  }

  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0) {
    std::fprintf(stderr, "snapshot_test_server: cannot listen on port %d: %s\n", port,
                 std::strerror(errno));
    return 1;
  }
  std::printf("listening on %d\n", port);
  std::fflush(stdout);

  const int client = accept(listener, nullptr, nullptr);
  if (client < 0) return 1;
  SnapshotMessage message;
  encode_snapshot(units, unit_count, message.bytes);
  for (long sent = 0; snapshots == 0 || sent < snapshots; ++sent) {
    if (!send_message(client, message.bytes)) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  wait_for_close(client);
  close(client);
  close(listener);
  return 0;
}
