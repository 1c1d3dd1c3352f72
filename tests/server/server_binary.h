/*
 * The path of this build's quorvale-server. The build gives it to server_binary.cpp
 * alone: a folder compiled into a file is part of the compiler cache's key, so only that
 * small file is compiled afresh in a new clone.
 */
#pragma once

#include <string>

std::string server_binary();
