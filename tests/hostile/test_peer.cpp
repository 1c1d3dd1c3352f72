#include "test_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace test_support {

namespace {

using clock_type = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int client_port = 21000;

// Sets one integer socket option; a failure only loses what the option would add.
void set_int_option(int fd, int level, int name, int value) {
  setsockopt(fd, level, name, &value, sizeof value);
}

}  // namespace

TestPeer::TestPeer(Pump pump) : pump_(std::move(pump)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("socket failed");
  // A connection of the previous test may linger in TIME_WAIT on this port.
  set_int_option(listener_, SOL_SOCKET, SO_REUSEADDR, 1);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(client_port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 4) != 0) {
    const std::string reason = std::strerror(errno);
    close(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1:21000 (" + reason + ")");
  }
}

TestPeer::~TestPeer() {
  if (connection_ >= 0) close(connection_);
  close(listener_);
}

bool TestPeer::accept_client(milliseconds deadline) {
  const auto end = clock_type::now() + deadline;
  pollfd waiting{listener_, POLLIN, 0};
  while (poll(&waiting, 1, 0) <= 0) {
    if (clock_type::now() >= end) return false;
    pump_(milliseconds(20));
  }
  connection_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection_ < 0) return false;
  // Every piece goes out as it is written, so the client sees the cuts the test makes.
  set_int_option(connection_, IPPROTO_TCP, TCP_NODELAY, 1);
  fcntl(connection_, F_SETFL, fcntl(connection_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool TestPeer::another_connection_waiting() const {
  pollfd waiting{listener_, POLLIN, 0};
  return poll(&waiting, 1, 0) > 0;
}

bool TestPeer::send(const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n =
        ::send(connection_, bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      return false;
    } else {
      pollfd writable{connection_, POLLOUT, 0};
      poll(&writable, 1, 0);
      if (!(writable.revents & POLLOUT)) pump_(milliseconds(10));
    }
  }
  return true;
}

bool TestPeer::send_in_pieces(const std::string& bytes, std::size_t piece, milliseconds pause) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (!send(bytes.substr(at, piece))) return false;
    wait_until_sent(milliseconds(2000));
    if (pause.count() > 0) pump_(pause);
  }
  return true;
}

void TestPeer::wait_until_sent(milliseconds deadline) {
  const auto end = clock_type::now() + deadline;
  int queued = 0;
  while (ioctl(connection_, SIOCOUTQ, &queued) == 0 && queued > 0 && clock_type::now() < end)
    pump_(milliseconds(1));
}

void TestPeer::close_connection() {
  close(connection_);
  connection_ = -1;
}

void TestPeer::reset_connection() {
  // A zero linger time turns the close into a reset; unread bytes are thrown away.
  linger abort_on_close{1, 0};
  setsockopt(connection_, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
  close_connection();
}

}  // namespace test_support
