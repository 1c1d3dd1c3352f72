#include "units/picture_structure.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr unsigned char png_signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t signature_bytes = sizeof png_signature;
// A chunk's length, its type and its CRC; its data lies between the type and the CRC.
constexpr std::size_t chunk_frame_bytes = 12;
// PNG's own limit on a chunk's length; libpng stops at anything longer.
constexpr uint32_t max_chunk_length = 0x7FFFFFFF;
// A BMP's file header and the part of its picture header read here: up to the bits a
// pixel, in the OS/2 header and in every later one.
constexpr std::size_t bmp_os2_headers_bytes = 14 + 12;
constexpr std::size_t bmp_headers_bytes = 14 + 16;

uint32_t big_endian_32(const unsigned char* at) {
  return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 |
         static_cast<uint32_t>(at[2]) << 8 | at[3];
}

uint32_t little_endian(const unsigned char* at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

// A chunk's type as it is written when it is letters, as its four byte values when not.
std::string chunk_name(const unsigned char* type) {
  const bool letters = std::all_of(type, type + 4, [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
  if (letters) return std::string(type, type + 4);
  std::string name = "of type";
  for (int i = 0; i < 4; ++i) name += " " + std::to_string(type[i]);
  return name;
}

bool refuse(std::string& reason, const std::string& why) {
  reason = why;
  return false;
}

bool size_within_limit(unsigned long long width, unsigned long long height, std::string& reason) {
  if (width * height <= max_picture_pixels) return true;
  return refuse(reason, "it declares " + std::to_string(width) + "x" + std::to_string(height) +
                            " pixels, more than any picture of the game");
}

bool png_sound(const unsigned char* bytes, std::size_t size, std::string& reason) {
  std::size_t at = signature_bytes;
  while (true) {
    const std::size_t left = size - at;
    if (left < chunk_frame_bytes)
      return refuse(reason,
                    "the file ends at byte " + std::to_string(size) + " before its IEND chunk");
    const uint32_t length = big_endian_32(bytes + at);
    const std::string name = chunk_name(bytes + at + 4);
    if (length > max_chunk_length || length > left - chunk_frame_bytes)
      return refuse(reason, "chunk " + name + " at byte " + std::to_string(at) + " declares " +
                                std::to_string(length) + " bytes, more than the " +
                                std::to_string(left - chunk_frame_bytes) + " left in the file");
    if (name == "IHDR" && length >= 8 &&
        !size_within_limit(big_endian_32(bytes + at + 8), big_endian_32(bytes + at + 12), reason))
      return false;
    if (name == "IEND") return true;
    at += chunk_frame_bytes + length;
  }
}

bool bmp_sound(const unsigned char* bytes, std::size_t size, std::string& reason) {
  // The OS/2 header holds 16-bit sizes; every later one 32-bit sizes.
  const bool os2 = size >= 18 && little_endian(bytes + 14, 4) == 12;
  if (size < (os2 ? bmp_os2_headers_bytes : bmp_headers_bytes))
    return refuse(reason, "the file ends inside its BMP header");
  // The OS/2 sizes are unsigned; the later ones signed, a negative height meaning the rows
  // run top down.
  long long width = little_endian(bytes + 18, 2);
  long long height = little_endian(bytes + 20, 2);
  if (!os2) {
    width = static_cast<int32_t>(little_endian(bytes + 18, 4));
    height = static_cast<int32_t>(little_endian(bytes + 22, 4));
  }
  const uint32_t bits = little_endian(bytes + (os2 ? 24 : 28), 2);
  // SDL sizes its surface by these; any other depth can make that size overflow.
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return refuse(reason, "its BMP header declares " + std::to_string(bits) + " bits a pixel");
  return size_within_limit(static_cast<unsigned long long>(std::llabs(width)),
                           static_cast<unsigned long long>(std::llabs(height)), reason);
}

}  // namespace

PictureKind picture_kind(const unsigned char* bytes, std::size_t size) {
  if (size >= signature_bytes && std::equal(png_signature, png_signature + signature_bytes, bytes))
    return PictureKind::png;
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return PictureKind::bmp;
  return PictureKind::other;
}

bool picture_structure_sound(const unsigned char* bytes, std::size_t size, std::string& reason) {
  switch (picture_kind(bytes, size)) {
    case PictureKind::png:
      return png_sound(bytes, size, reason);
    case PictureKind::bmp:
      return bmp_sound(bytes, size, reason);
    default:
      return refuse(reason, "neither a PNG nor a BMP file");
  }
}
