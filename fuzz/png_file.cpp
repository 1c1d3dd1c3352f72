#include "fuzz/png_file.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

// Adler sums reduced once a block: the fuzz maps run to megabytes.
uint32_t adler32_of(const std::string& bytes) {
  uint32_t a = 1, b = 0;
  constexpr std::size_t block = 5552;  // the most bytes before b can overflow 32 bits
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    const std::size_t end = std::min(bytes.size(), at + block);
    for (std::size_t i = at; i < end; ++i) {
      a += static_cast<unsigned char>(bytes[i]);
      b += a;
    }
    a %= 65521u;
    b %= 65521u;
  }
  return (b << 16) | a;
}

void append_u32_big_endian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

void append_chunk(std::string& out, const char* kind, const std::string& data) {
  append_u32_big_endian(out, static_cast<uint32_t>(data.size()));
  const std::string body = kind + data;
  out += body;
  append_u32_big_endian(out, png_crc32(body));
}

// A zlib stream of stored deflate blocks: no compression, any bytes.
std::string zlib_stored(const std::string& data) {
  std::string out("\x78\x01", 2);
  constexpr std::size_t block_max = 65535;
  std::size_t at = 0;
  do {
    const std::size_t length = std::min(block_max, data.size() - at);
    const bool last = at + length == data.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(length & 0xFF);
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(~length & 0xFF);
    out += static_cast<char>((~length >> 8) & 0xFF);
    out.append(data, at, length);
    at += length;
  } while (at < data.size());
  append_u32_big_endian(out, adler32_of(data));
  return out;
}

}  // namespace

// A table a byte: the fuzz maps run to megabytes.
uint32_t png_crc32(const std::string& type_and_data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> entries{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t crc = n;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
      entries[n] = crc;
    }
    return entries;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : type_and_data)
    crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::string png_file(const PngHeader& header, const std::string& scanlines,
                     const std::string& palette, const std::string& transparency) {
  std::string out("\x89PNG\r\n\x1a\n", 8);
  std::string fields;
  append_u32_big_endian(fields, header.width);
  append_u32_big_endian(fields, header.height);
  fields += static_cast<char>(header.bit_depth);
  fields += static_cast<char>(header.colour_type);
  fields += '\0';  // deflate
  fields += '\0';  // adaptive filtering
  fields += static_cast<char>(header.interlace);
  append_chunk(out, "IHDR", fields);
  if (!palette.empty()) append_chunk(out, "PLTE", palette);
  if (!transparency.empty()) append_chunk(out, "tRNS", transparency);
  append_chunk(out, "IDAT", zlib_stored(scanlines));
  append_chunk(out, "IEND", "");
  return out;
}

std::string rgb_png_file(int width, int height, const std::vector<uint8_t>& rgb) {
  std::string scanlines;
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    scanlines += '\0';  // filter: none
    scanlines.append(reinterpret_cast<const char*>(rgb.data()) + y * stride, stride);
  }
  PngHeader header;
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  return png_file(header, scanlines);
}
