#include "client_watch.h"

#include <signal.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "snapshot_stream.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Text the client never prints, so waiting for it only collects output.
const char* const never_printed = "\x01";

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
