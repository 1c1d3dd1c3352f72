/*
 * Where this user's programs keep what they write for reading later, such as a log:
 * $XDG_STATE_HOME, else ~/.local/state, on Linux (state_folder_posix.cpp); %LOCALAPPDATA%
 * on Windows (state_folder_windows.cpp); the system's temporary folder where neither is
 * set. Any thread.
 */
#pragma once

#include <filesystem>

// The user's folder for state; it may not exist yet.
std::filesystem::path user_state_folder();
