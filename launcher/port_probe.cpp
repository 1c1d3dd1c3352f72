#include "launcher/port_probe.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/read.hpp>

#include "net/network.h"
#include "net/snapshot_format.h"

PortHolder who_holds_game_port(std::chrono::milliseconds deadline) {
  boost::asio::io_context io;
  boost::asio::ip::tcp::resolver resolver(io);
  boost::system::error_code failure;
  const endpoint_list endpoints =
      resolver.resolve(default_server_host, std::to_string(game_port), failure);
  if (failure) return PortHolder::nobody;

  boost::asio::ip::tcp::socket socket(io);
  SnapshotMessage message;
  PortHolder holder = PortHolder::other_program;
  boost::asio::async_connect(
      socket, endpoints,
      [&](const boost::system::error_code& connected, const boost::asio::ip::tcp::endpoint&) {
        if (connected) {
          holder = PortHolder::nobody;
          return;
        }
        boost::asio::async_read(socket, boost::asio::buffer(message.bytes),
                                [&](const boost::system::error_code& read, std::size_t) {
                                  if (!read && snapshot_is_well_formed(message.bytes))
                                    holder = PortHolder::quorvale_server;
                                });
      });
  io.run_for(deadline);
  return holder;
}
