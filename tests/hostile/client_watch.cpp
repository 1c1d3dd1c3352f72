#include "client_watch.h"

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "snapshot_stream.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Text the client never prints, so waiting for it only collects output.
const char* const never_printed = "\x01";

// The bytes not yet acknowledged (`sent`) and not yet read (`unread`) on the established TCP
// connection from local port `from` to port `to`, as /proc lists them; false if it is not
// listed.
bool tcp_queues(pid_t pid, uint16_t from, uint16_t to, unsigned long& sent, unsigned long& unread) {
  std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
  const auto port = [](const std::string& address) {
    const std::size_t colon = address.find(':');
    return colon == std::string::npos ? -1L : std::strtol(address.c_str() + colon + 1, nullptr, 16);
  };
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    // "0: 0100007F:5208 0100007F:9C40 01 00000000:00000000 ...": ports and state in hex.
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues;
    if (!(fields >> slot >> local >> remote >> state >> queues)) continue;
    const std::size_t colon = queues.find(':');
    if (state != "01" || port(local) != from || port(remote) != to || colon == std::string::npos)
      continue;
    sent = std::strtoul(queues.c_str(), nullptr, 16);
    unread = std::strtoul(queues.c_str() + colon + 1, nullptr, 16);
    return true;
  }
  return false;
}

// Whether every thread of the process but the main one sleeps, one of them in epoll_wait:
// the client's network thread waiting for bytes with no handler left to run.
bool network_thread_waits_for_bytes(pid_t pid) {
  const std::string main_thread = std::to_string(pid);
  std::error_code error;
  bool in_epoll = false;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + main_thread + "/task", error)) {
    if (task.path().filename() == main_thread) continue;
    std::ifstream stat(task.path() / "stat");
    std::string text;
    std::getline(stat, text);
    // The state follows the name, which is in parentheses and may hold anything.
    const std::size_t name_end = text.rfind(')');
    if (name_end == std::string::npos || text.compare(name_end, 3, ") S") != 0) return false;
    std::ifstream wchan(task.path() / "wchan");
    std::string where;
    wchan >> where;
    if (where.find("epoll") != std::string::npos) in_epoll = true;
  }
  return !error && in_epoll;
}

// Waits, collecting output, until `holds` is true; false at the deadline or once the
// process is gone.
bool wait_until(ChildProcess& client, const std::function<bool()>& holds, Clock::time_point end) {
  while (!holds()) {
    if (Clock::now() >= end || main_thread_waits(client.pid()) < 0) return false;
    collect_output(client, milliseconds(20));
  }
  return true;
}

}  // namespace

long main_thread_waits(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    std::istringstream fields(line);
    std::string name;
    long value = 0;
    if (fields >> name >> value && name == "voluntary_ctxt_switches:") return value;
  }
  return -1;
}

void collect_output(ChildProcess& client, milliseconds time) {
  // ChildProcess reads in rounds of 20 ms; a shorter pause is only a pause.
  if (time < milliseconds(20))
    std::this_thread::sleep_for(time);
  else
    client.wait_for_stdout(never_printed, time);
}

bool keeps_drawing(ChildProcess& client, long frames, milliseconds deadline) {
  const long start = main_thread_waits(client.pid());
  if (start < 0) return false;
  const auto end = Clock::now() + deadline;
  while (Clock::now() < end) {
    collect_output(client, milliseconds(20));
    const long now = main_thread_waits(client.pid());
    if (now < 0) return false;
    if (now - start >= frames) return true;
  }
  return false;
}

bool has_read_all_sent(ChildProcess& client, uint16_t client_side_port, milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  const pid_t pid = client.pid();
  unsigned long sent = 0;
  unsigned long unread = 0;
  // In this order: every byte has reached the client's socket, the client has read them
  // all, and then its network thread sleeps in epoll_wait, so the handler of the last
  // message has run.
  const auto acknowledged = [&] {
    return tcp_queues(pid, client_port, client_side_port, sent, unread) && sent == 0;
  };
  const auto all_read = [&] {
    return tcp_queues(pid, client_side_port, client_port, sent, unread) && unread == 0;
  };
  const auto handed_on = [&] { return network_thread_waits_for_bytes(pid); };
  return wait_until(client, acknowledged, end) && wait_until(client, all_read, end) &&
         wait_until(client, handed_on, end);
}

bool shows_markers(ChildProcess& client, std::size_t count, milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  while (markers_in(client.out()) < count) {
    if (Clock::now() >= end || main_thread_waits(client.pid()) < 0) return false;
    collect_output(client, milliseconds(20));
  }
  return true;
}

std::string sanitizer_report(const std::string& err) {
  std::istringstream lines(err);
  std::string line;
  std::string report;
  for (const char* sign : {"runtime error", "AddressSanitizer", "LeakSanitizer"}) {
    lines.clear();
    lines.seekg(0);
    while (std::getline(lines, line))
      if (line.find(sign) != std::string::npos) report += line + "\n";
  }
  return report;
}

std::size_t lines_in(const std::string& output, const std::string& line) {
  const std::string whole = line + "\n";
  std::size_t found = 0;
  for (std::size_t at = output.find(whole); at != std::string::npos;
       at = output.find(whole, at + whole.size()))
    if (at == 0 || output[at - 1] == '\n') ++found;
  return found;
}

void expect_clean_end(ChildProcess& client, milliseconds deadline) {
  client.signal(SIGTERM);
  EXPECT_EQ(client.wait_for_exit(deadline), 0) << client.err();
  const std::string& out = client.out();
  const std::string goodbye = "Cleaning up\nGoodbye!\n";
  EXPECT_TRUE(out.size() >= goodbye.size() &&
              out.compare(out.size() - goodbye.size(), goodbye.size(), goodbye) == 0)
      << "the output does not end with Goodbye!: ..."
      << out.substr(out.size() > 300 ? out.size() - 300 : 0);
  EXPECT_EQ(sanitizer_report(client.err()), "");
}

}  // namespace test_support
