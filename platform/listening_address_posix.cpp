#include "platform/listening_address.h"

void claim_listening_address(boost::asio::ip::tcp::acceptor& acceptor,
                             boost::system::error_code& problem) {
  acceptor.set_option(boost::asio::ip::tcp::acceptor::reuse_address(true), problem);
}
