/*
 * Output that reaches a reader line by line, even through a pipe: a progress line printed
 * just before a crash is not lost, and a test reading lines live does not wait.
 *
 * The C library of Linux buffers a line at a time; Microsoft's has no line buffering (it
 * takes _IOLBF as full buffering, and a size below 2 as an invalid parameter that ends
 * the program), so there the stream writes at once. Call before the first write.
 */
#pragma once

#include <cstdio>

// Makes `stream` deliver each line as soon as it is written.
void deliver_line_by_line(std::FILE* stream);
