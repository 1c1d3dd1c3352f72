#include "server_binary.h"

std::string server_binary() { return QUORVALE_SERVER_BINARY; }
