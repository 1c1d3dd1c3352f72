/*
 * Watching a running client from outside: whether it still draws frames, what it has
 * printed, and how it ends.
 *
 * The frame loop waits 20 ms at the head of every frame, which the kernel counts as one
 * voluntary context switch of the main thread; a thread that is stuck, spinning or dead
 * adds none. So a growing count of them is the sign that frames go on. The test's thread
 * alone uses these.
 */
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "child_process.h"
#include "client_output.h"
#include "net/snapshot_format.h"

namespace test_support {

// The port the client connects to, where the tests' server listens.
constexpr uint16_t client_port = game_port;

// The voluntary context switches of the process's main thread so far, or -1 once the
// process is gone.
long main_thread_waits(pid_t pid);

// Collects the client's output for about `time` (a shorter wait only passes the time).
void collect_output(ChildProcess& client, std::chrono::milliseconds time);

// Waits, collecting output, until the main thread has waited `frames` more times.
bool keeps_drawing(ChildProcess& client, long frames, std::chrono::milliseconds deadline);

// Waits, collecting output, until the client has read every byte sent to it on the
// connection from its port `client_side_port` and its network thread has handed the last
// message on: a frame that begins later takes that message, unless another replaced it.
bool has_read_all_sent(ChildProcess& client, uint16_t client_side_port,
                       std::chrono::milliseconds deadline);

// Waits, collecting output, until the client has printed `count` marker blocks.
bool shows_markers(ChildProcess& client, std::size_t count, std::chrono::milliseconds deadline);

// The lines of a sanitizer's report in `err`, or "" if there are none.
std::string sanitizer_report(const std::string& err);

// How many times `line` (with its newline) stands in `output`.
std::size_t lines_in(const std::string& output, const std::string& line);

// Ends the client as a user would (SIGTERM) and checks it says "Goodbye!", exits with 0
// within `deadline` and left no sanitizer report.
void expect_clean_end(ChildProcess& client,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(10000));

}  // namespace test_support
