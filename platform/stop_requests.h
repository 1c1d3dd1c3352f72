/*
 * The user's request that a program end, as its system delivers it: SIGINT or SIGTERM
 * on Linux; Ctrl+C, Ctrl+Break, or closing the console window on Windows, which gives
 * the program about five seconds once its window is closed.
 *
 * From construction to cancel() or destruction, the first request runs `stop` on the
 * io_context's thread; the program then winds down and returns from main as it would
 * at the end of its run. On Windows a closed console waits, its handler held, until the
 * program has returned from main. Made, cancelled and destroyed on the io_context's
 * thread.
 */
#pragma once

#include <boost/asio/io_context.hpp>
#include <functional>
#include <memory>

class StopRequests {
 public:
  StopRequests(boost::asio::io_context& io, std::function<void()> stop);
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

  // Takes no more requests, so that io_context::run can return.
  void cancel();

 private:
  struct Listener;
  std::unique_ptr<Listener> listener_;
};
