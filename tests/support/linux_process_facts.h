/*
 * Facts about a process that tests read from Linux's /proc: its memory and its open
 * descriptors. Linux only: the tests that read them are left out where there is no /proc.
 * Each answers for the moment it is asked.
 */
#pragma once

#include <sys/types.h>

#include <string>

namespace test_support {

// A size field such as "VmRSS" or "VmHWM" from /proc/PID/status, in kB; -1 if unreadable.
long process_memory_kb(pid_t pid, const std::string& field);

// How many file descriptors a process has open; -1 if unreadable.
int open_descriptor_count(pid_t pid);

}  // namespace test_support
