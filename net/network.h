/*
 * The network names the client uses, on current Boost.Asio.
 */
#pragma once

#include <boost/asio.hpp>

// The event loop the connection runs on; one per run, owned by the main routine.
using io_service = boost::asio::io_context;

// The server's addresses as resolution gave them, tried in that order.
using endpoint_list = boost::asio::ip::tcp::resolver::results_type;

// A position in an endpoint_list; a default-constructed one is its end.
using endpoint_iterator = endpoint_list::const_iterator;

// The host the client connects to.
constexpr const char* default_server_host = "localhost";
