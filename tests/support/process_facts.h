/*
 * Facts about this machine's processes and ports that tests read from /proc and the
 * socket layer: whether a port is listened on, a port free to use, and a process's
 * memory and open descriptors. Each answers for the moment it is asked.
 */
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace test_support {

// Whether something on this machine listens on TCP `port`.
bool port_is_listening(uint16_t port);

// A port on 127.0.0.1 that nothing listened on a moment ago; 0 if none could be found.
uint16_t free_port();

// A size field such as "VmRSS" or "VmHWM" from /proc/PID/status, in kB; -1 if unreadable.
long process_memory_kb(pid_t pid, const std::string& field);

// How many file descriptors a process has open; -1 if unreadable.
int open_descriptor_count(pid_t pid);

}  // namespace test_support
