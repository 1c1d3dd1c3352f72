#include "net/network_thread.h"

#include <cstdio>
#include <exception>

namespace {

void run_network(io_service* io) {
  try {
    io->run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Quorvale: the server connection failed (%s); playing on without it\n",
                 e.what());
  }
}

}  // namespace

boost::thread start_network_thread(io_service& io) { return boost::thread(run_network, &io); }
