#include "program_paths.h"

namespace test_support {

std::string client_binary() { return QUORVALE_CLIENT_BINARY; }

std::string server_binary() { return QUORVALE_SERVER_BINARY; }

std::string tied_parent_binary() { return QUORVALE_TIED_PARENT; }

}  // namespace test_support
