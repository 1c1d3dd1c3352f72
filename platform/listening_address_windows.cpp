#include <winsock2.h>

#include "platform/listening_address.h"

void claim_listening_address(boost::asio::ip::tcp::acceptor& acceptor,
                             boost::system::error_code& problem) {
  using exclusive_address_use =
      boost::asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
  acceptor.set_option(exclusive_address_use(true), problem);
}
