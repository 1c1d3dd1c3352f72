/*
 * How a listening socket claims its address, set before it binds.
 *
 * The same meaning on both systems: a server restarted at once gets its port back while
 * the last run's connections linger in TIME_WAIT, and a second server on a port in use is
 * refused. On Linux SO_REUSEADDR gives exactly that; on Windows it would let the second
 * server bind too, and SO_EXCLUSIVEADDRUSE is what gives it.
 */
#pragma once

#include <boost/asio/ip/tcp.hpp>

// Sets the option on an open, unbound acceptor; a failure goes into `problem`.
void claim_listening_address(boost::asio::ip::tcp::acceptor& acceptor,
                             boost::system::error_code& problem);
