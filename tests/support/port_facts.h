/*
 * Whether something on this machine listens on a TCP port, read from the system's table
 * of connections without connecting (a probe would count as a client): port_facts_linux.cpp
 * reads /proc/net, port_facts_windows.cpp asks the IP helper. It answers for the moment it
 * is asked. Any thread.
 */
#pragma once

#include <cstdint>

namespace test_support {

// Whether something on this machine listens on TCP `port`.
bool port_is_listening(uint16_t port);

}  // namespace test_support
