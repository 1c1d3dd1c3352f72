/*
 * Opening the files the programs read: the pictures, and the server's map and replay.
 *
 * A file is read only when it is a regular file, opened in binary mode (a PNG's signature
 * holds CR LF and Ctrl-Z), and without waiting: opening a named pipe or a device could
 * block for ever, or read for ever. What that takes differs between Linux and Windows;
 * regular_file_posix.cpp and regular_file_windows.cpp each keep this contract. Safe on
 * any thread.
 */
#pragma once

#include <cstdio>
#include <string>

enum class FileFault {
  none,
  missing,      // no such file or folder
  not_regular,  // a folder, a pipe, a device, or a name that stands for a device
  unreadable,   // there, but it cannot be opened (permissions, ...)
};

// Opens `path` for reading in binary mode if it is a regular file; its size goes into
// `size`. On failure returns null with `fault` set and, for an unreadable file, the
// system's reason in `reason`. The caller closes the file with fclose.
std::FILE* open_regular_file(const std::string& path, long long& size, FileFault& fault,
                             std::string& reason);

// True when `path` names a device rather than a file: on Windows a reserved name (CON,
// NUL, COM1, ...) whatever its folder and extension, or a path in the device namespace
// (\\.\); never elsewhere, where a device is a file like any other.
bool names_a_device(const std::string& path);
