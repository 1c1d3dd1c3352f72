#include <windows.h>

#include <boost/asio/post.hpp>
#include <mutex>

#include "platform/stop_requests.h"

namespace {

// The handler runs on a thread of the system's; it reaches the program through these.
std::mutex listening;
boost::asio::io_context* listening_io = nullptr;
std::function<void()> listening_stop;

BOOL WINAPI on_console_event(DWORD event) {
  {
    std::lock_guard<std::mutex> lock(listening);
    if (listening_io) boost::asio::post(*listening_io, listening_stop);
  }
  // Ctrl+C and Ctrl+Break are handled once posted, and ignored while the program is
  // already ending. For a closed console, a logoff or a shutdown, Windows ends the process
  // as soon as this returns: so it never does, and the program's own return from main
  // ends the process, with its status.
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

struct StopRequests::Listener {};

StopRequests::StopRequests(boost::asio::io_context& io, std::function<void()> stop) {
  std::lock_guard<std::mutex> lock(listening);
  listening_io = &io;
  listening_stop = std::move(stop);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

StopRequests::~StopRequests() { cancel(); }

void StopRequests::cancel() {
  std::lock_guard<std::mutex> lock(listening);
  listening_io = nullptr;
}
