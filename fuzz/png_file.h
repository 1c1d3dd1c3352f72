/*
 * PNG files written by the fuzz targets: the small pictures of their game folder and
 * the maps they build from fuzz bytes.
 *
 * The image data goes into stored (uncompressed) deflate blocks, so any scanline bytes
 * make a file that every PNG reader accepts as far as the container goes; whether the
 * header and the scanlines agree is the reader's business. Pure functions.
 */
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bit_depth = 8;
  uint8_t colour_type = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
  uint8_t interlace = 0;
};

// The CRC-32 a PNG chunk carries, over its type and data.
uint32_t png_crc32(const std::string& type_and_data);

// The bytes of a PNG file: IHDR, then PLTE and tRNS when not empty, one IDAT holding
// `scanlines` (each row's filter byte included) and IEND.
std::string png_file(const PngHeader& header, const std::string& scanlines,
                     const std::string& palette = "", const std::string& transparency = "");

// An 8-bit RGB picture from `rgb` (width * height * 3 bytes, rows top to bottom).
std::string rgb_png_file(int width, int height, const std::vector<uint8_t>& rgb);
