/*
 * The network thread: runs the io_service until no operation of the client is left.
 */
#pragma once

#include <boost/thread/thread.hpp>

#include "net/network.h"

// Starts a thread whose whole work is running `io`. Should a handler throw, the thread
// says so in one line on stderr and ends; the game goes on without the server.
boost::thread start_network_thread(io_service& io);
