#include "child_process.h"

#include <thread>

#include "port_facts.h"

namespace test_support {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds poll_interval{10};

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) : ChildProcess(argv, {}, "") {}

template <typename Condition>
bool ChildProcess::wait_until(Condition condition, std::chrono::milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  while (!condition()) {
    // Whatever the child did before it ended still counts.
    if (has_exited()) return condition();
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(poll_interval);
  }
  return true;
}

bool ChildProcess::wait_for_stdout(const std::string& text, std::chrono::milliseconds deadline) {
  return wait_until([&] { return out().find(text) != std::string::npos; }, deadline);
}

bool ChildProcess::wait_for_stderr(const std::string& text, std::chrono::milliseconds deadline) {
  return wait_until([&] { return err().find(text) != std::string::npos; }, deadline);
}

bool ChildProcess::wait_until_listening(uint16_t port, std::chrono::milliseconds deadline) {
  return wait_until([port] { return port_is_listening(port); }, deadline);
}

int ChildProcess::wait_for_exit(std::chrono::milliseconds deadline) {
  if (!wait_until([this] { return has_exited(); }, deadline)) end_now();
  return exit_status();
}

const std::string& ChildProcess::out() const { return out_ = written_to(Stream::out); }

const std::string& ChildProcess::err() const { return err_ = written_to(Stream::err); }

}  // namespace test_support
