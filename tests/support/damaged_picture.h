/*
 * A damaged picture file of the shape that once hung both programs: a PNG whose second
 * chunk (bKGD) declares about two gigabytes where the file holds 12 bytes more. A reader
 * that ignores its short reads meets that chunk again and again at the end of the file.
 */
#pragma once

#include <string>

namespace test_support {

inline std::string png_with_an_overlong_chunk() {
  return std::string(
             "\x89PNG\r\n\x1a\n"
             "\x00\x00\x00\x0dIHDR\x00\x00\x00\x04\x00\x00\x00\x04\x08\x02\x00\x00\x00"
             "\x26\x93\x09\x29"
             "\x7f\xff\xff\xf0"
             "bKGD",
             41) +
         std::string(16, '\0');
}

}  // namespace test_support
