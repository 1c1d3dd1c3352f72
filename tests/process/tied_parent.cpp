// A parent for the tied programs' test: starts quorvale-server tied to itself on a port, in
// the folder it runs in,
// says "serving" once the server takes connections, then ends as told: "exit" leaves at
// once without any clean-up of its own, "wait" waits to be killed.
// Usage: tied_parent SERVER PORT LOG exit|wait
#include <boost/asio/ip/tcp.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/tied_programs.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const std::string port = argv[2];
  std::string error;
  auto server = TiedProgram::start(argv[1], {"--port", port, "--quiet"},
                                   std::filesystem::current_path(), argv[3], error);
  if (!server) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  boost::asio::io_context io;
  const boost::asio::ip::tcp::endpoint address(boost::asio::ip::address_v4::loopback(),
                                               static_cast<unsigned short>(std::stoi(port)));
  for (;;) {
    boost::asio::ip::tcp::socket socket(io);
    boost::system::error_code refused;
    socket.connect(address, refused);
    if (!refused) break;
    if (server->has_ended()) {
      std::fprintf(stderr, "the server ended at start; its output is in %s\n", argv[3]);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::printf("serving\n");
  std::fflush(stdout);
  if (std::string(argv[4]) == "exit") std::_Exit(0);
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
