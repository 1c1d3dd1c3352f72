// quorvale-server-load: measures quorvale-server under load. It starts the server, connects
// many reading clients and one that never reads, and after a while reports the tick rate each
// reader saw, the server's CPU share and peak memory, and what the stalled client lost.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "net/snapshot_format.h"

namespace {

using boost::asio::ip::tcp;
using Clock = std::chrono::steady_clock;

struct ProbeSettings {
  std::string server;
  std::string map = "gfx/map1.png";
  int clients = 50;
  int units = 63;
  double seconds = 30;
  int port = 21500;
};

// A client that reads whole messages for as long as the probe runs.
struct Reader {
  explicit Reader(boost::asio::io_context& io) : socket(io) {}
  tcp::socket socket;
  SnapshotMessage message;
  uint64_t messages = 0;
  uint64_t malformed = 0;
  bool failed = false;
};

// Reads the next message into the reader, counting it, and again after that.
void read_forever(const std::shared_ptr<Reader>& reader) {
  boost::asio::async_read(reader->socket, boost::asio::buffer(reader->message.bytes),
                          [reader](const boost::system::error_code& error, std::size_t) {
                            if (error) {
                              reader->failed = true;
                              return;
                            }
                            ++reader->messages;
                            const int count = snapshot_count_byte(reader->message.bytes);
                            const bool padded =
                                std::all_of(reader->message.bytes + 1,
                                            reader->message.bytes + snapshot_records_offset,
                                            [](unsigned char byte) { return byte == 0; });
                            if (count < 0 || count > snapshot_max_records || !padded)
                              ++reader->malformed;
                            read_forever(reader);
                          });
}

// A field of /proc/PID/status in kB, or -1.
long status_kb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

// User plus system CPU time of a process so far, in seconds.
double cpu_seconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command name, which is in parentheses and may hold spaces.
  std::istringstream fields(content.substr(content.rfind(')') + 2));
  std::string field;
  unsigned long user = 0, system = 0;
  for (int index = 3; index <= 15 && fields >> field; ++index) {
    if (index == 14) user = std::stoul(field);
    if (index == 15) system = std::stoul(field);
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The probe's settings from its command line; exits with one line on a bad one.
ProbeSettings read_settings(int argc, char** argv) {
  ProbeSettings settings;
  const std::string self = argv[0];
  const std::size_t slash = self.rfind('/');
  settings.server = (slash == std::string::npos ? "." : self.substr(0, slash)) + "/quorvale-server";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--server")
      settings.server = value;
    else if (name == "--map")
      settings.map = value;
    else if (name == "--clients")
      settings.clients = std::atoi(value.c_str());
    else if (name == "--units")
      settings.units = std::atoi(value.c_str());
    else if (name == "--seconds")
      settings.seconds = std::atof(value.c_str());
    else if (name == "--port")
      settings.port = std::atoi(value.c_str());
    else
      settings.clients = -1;
  }
  if (argc % 2 == 0 || settings.clients < 1 || settings.seconds <= 0 || settings.port < 1) {
    std::fprintf(stderr,
                 "quorvale-server-load: usage: [--server PATH] [--map PATH] [--clients N] "
                 "[--units N] [--seconds S] [--port P]\n");
    std::exit(2);
  }
  return settings;
}

// Starts the server, its log collected by the child process.
std::unique_ptr<test_support::ChildProcess> start_server(const ProbeSettings& settings) {
  return std::make_unique<test_support::ChildProcess>(
      std::vector<std::string>{settings.server, "--port", std::to_string(settings.port), "--units",
                               std::to_string(settings.units), "--map", settings.map, "--duration",
                               std::to_string(settings.seconds + 60)});
}

// Connects a socket to the server, trying for a few seconds while it starts up.
bool connect_to(tcp::socket& socket, const tcp::endpoint& server, int receive_buffer) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    boost::system::error_code error;
    socket.close(error);
    socket.open(tcp::v4(), error);
    if (receive_buffer > 0)
      socket.set_option(boost::asio::socket_base::receive_buffer_size(receive_buffer), error);
    socket.connect(server, error);
    if (!error) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The server's log line about the client at `local_port` leaving, or "".
std::string leave_line(const std::string& log, unsigned short local_port) {
  std::istringstream lines(log);
  const std::string wanted = ":" + std::to_string(local_port) + " left";
  for (std::string line; std::getline(lines, line);)
    if (line.find(wanted) != std::string::npos) return line;
  return "";
}

// Starts the server, reads it with many clients and prints the figures; the exit status.
int run_probe(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const ProbeSettings settings = read_settings(argc, argv);
  const std::unique_ptr<test_support::ChildProcess> server = start_server(settings);

  boost::asio::io_context io;
  const tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"),
                               static_cast<unsigned short>(settings.port));
  tcp::socket stalled(io);
  std::vector<std::shared_ptr<Reader>> readers;
  bool connected = connect_to(stalled, endpoint, 4096);
  for (int i = 0; connected && i < settings.clients; ++i) {
    readers.push_back(std::make_shared<Reader>(io));
    connected = connect_to(readers.back()->socket, endpoint, 0);
  }
  if (!connected) {
    std::fprintf(stderr, "quorvale-server-load: cannot connect to %s on port %d; its log:\n%s",
                 settings.server.c_str(), settings.port, server->err().c_str());
    return 1;
  }
  for (const auto& reader : readers) read_forever(reader);

  io.run_for(std::chrono::seconds(1));
  std::vector<uint64_t> counted_before;
  counted_before.reserve(readers.size());
  for (const auto& reader : readers) counted_before.push_back(reader->messages);
  const double cpu_before = cpu_seconds(server->pid());
  const auto started = Clock::now();
  io.run_for(std::chrono::milliseconds(static_cast<long>(settings.seconds * 1000)));
  const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  const double cpu_share = (cpu_seconds(server->pid()) - cpu_before) / elapsed;

  double slowest = 1e9, fastest = 0, total = 0;
  uint64_t malformed = 0;
  int failed = 0;
  for (std::size_t i = 0; i < readers.size(); ++i) {
    const double rate = (readers[i]->messages - counted_before[i]) / elapsed;
    slowest = std::min(slowest, rate);
    fastest = std::max(fastest, rate);
    total += rate;
    malformed += readers[i]->malformed;
    failed += readers[i]->failed;
  }
  std::printf("server: %s, %d units, %d reading clients + 1 never reading, %.1f s measured\n",
              settings.server.c_str(), settings.units, settings.clients, elapsed);
  std::printf("ticks per second seen by readers: min %.2f, mean %.2f, max %.2f\n", slowest,
              total / readers.size(), fastest);
  std::printf("readers failed: %d, malformed messages: %llu\n", failed,
              static_cast<unsigned long long>(malformed));
  std::printf("server CPU share: %.2f%% of one core\n", 100.0 * cpu_share);
  std::printf("server memory: VmHWM %ld kB, VmRSS %ld kB\n", status_kb(server->pid(), "VmHWM"),
              status_kb(server->pid(), "VmRSS"));

  const unsigned short stalled_port = stalled.local_endpoint().port();
  stalled.close();
  std::string left;
  for (int tries = 0; tries < 50 && left.empty(); ++tries) {
    io.run_for(std::chrono::milliseconds(100));
    left = leave_line(server->err(), stalled_port);
  }
  std::printf("never-reading client: %s\n", left.empty() ? "no leave line logged" : left.c_str());

  server->signal(SIGTERM);
  std::printf("server exit: %d\n", server->wait_for_exit(std::chrono::seconds(10)));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run_probe(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvale-server-load: stopped: %s\n", e.what());
    return 1;
  }
}
