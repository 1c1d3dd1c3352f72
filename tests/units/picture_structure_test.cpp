// The structure check a picture file passes before anything decodes it: what it takes,
// what it refuses and the reason it gives, and the game's own pictures, which it must take.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"
#include "units/picture_structure.h"

namespace {

std::string big_endian_32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

std::string little_endian(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}

const std::string png_signature("\x89PNG\r\n\x1a\n", 8);

// A chunk as the file holds it: length, type, data and a CRC, which the check leaves to
// the decoder.
std::string chunk(const std::string& type, const std::string& data) {
  return big_endian_32(static_cast<uint32_t>(data.size())) + type + data + std::string(4, '\0');
}

std::string header_chunk(uint32_t width, uint32_t height) {
  return chunk("IHDR",
               big_endian_32(width) + big_endian_32(height) + std::string("\x08\x02\0\0\0", 5));
}

// A PNG of the given size: its header, `middle`, and its end.
std::string png(uint32_t width, uint32_t height, const std::string& middle = "") {
  return png_signature + header_chunk(width, height) + middle + chunk("IEND", "");
}

// A BMP's file header and picture header, in the OS/2 layout (16-bit sizes) or the later
// one (32-bit sizes, the height negative for a picture stored top down).
std::string bmp(int32_t width, int32_t height, uint16_t bits, bool os2 = false) {
  const int size_bytes = os2 ? 2 : 4;
  return "BM" + std::string(12, '\0') + little_endian(os2 ? 12 : 40, 4) +
         little_endian(static_cast<uint32_t>(width), size_bytes) +
         little_endian(static_cast<uint32_t>(height), size_bytes) + little_endian(1, 2) +
         little_endian(bits, 2) + std::string(24, '\0');
}

struct Case {
  const char* what;
  std::string bytes;
  // Empty when the file must be taken; else a part of the reason it is refused for.
  std::string refused_for;
};

TEST(PictureStructure, TakesSoundFilesAndRefusesEachFaultWithItsReason) {
  const std::string minimal = png(4, 4);
  const std::vector<Case> cases{
      {"a minimal PNG", minimal, ""},
      {"bytes after IEND", minimal + "trailing bytes", ""},
      {"a zero-length chunk", png(4, 4, chunk("tEXt", "")), ""},
      {"a PNG one byte short", minimal.substr(0, minimal.size() - 1),
       "the file ends at byte 44 before its IEND chunk"},
      {"a PNG with no IEND", png_signature + header_chunk(4, 4),
       "the file ends at byte 33 before its IEND chunk"},
      {"a chunk longer than the file",
       png_signature + big_endian_32(100) + "IDAT" + std::string(20, '\0'),
       "chunk IDAT at byte 8 declares 100 bytes, more than the 16 left in the file"},
      {"a chunk whose name is not letters",
       png_signature + big_endian_32(100) + std::string("\x01\x02\x03\x04", 4) +
           std::string(20, '\0'),
       "chunk of type 1 2 3 4 at byte 8"},
      {"a PNG of exactly the most pixels", png(8192, 8192), ""},
      {"a PNG one pixel over", png(5, 13421773), "it declares 5x13421773 pixels"},
      {"a BMP of 1 bit a pixel", bmp(64, 64, 1), ""},
      {"a BMP of 4 bits a pixel", bmp(64, 64, 4), ""},
      {"a BMP of 8 bits a pixel", bmp(64, 64, 8), ""},
      {"a BMP of 16 bits a pixel", bmp(64, 64, 16), ""},
      {"a BMP of 24 bits a pixel", bmp(64, 64, 24), ""},
      {"a BMP of 32 bits a pixel", bmp(64, 64, 32), ""},
      {"a BMP of 0 bits a pixel", bmp(64, 64, 0), "declares 0 bits a pixel"},
      {"a BMP of 2 bits a pixel", bmp(64, 64, 2), "declares 2 bits a pixel"},
      {"a BMP of 64 bits a pixel", bmp(64, 64, 64), "declares 64 bits a pixel"},
      {"a BMP that ends in its header", bmp(64, 64, 24).substr(0, 29),
       "the file ends inside its BMP header"},
      {"an OS/2 BMP", bmp(100, 100, 24, true), ""},
      {"an OS/2 BMP too large", bmp(65535, 65535, 24, true), "it declares 65535x65535 pixels"},
      {"a top-down BMP", bmp(100, -100, 24), ""},
      {"a top-down BMP too large", bmp(8192, -8193, 32), "it declares 8192x8193 pixels"},
      {"a text file", "width 4, height 4\n", "neither a PNG nor a BMP file"},
      {"an empty file", "", "neither a PNG nor a BMP file"},
  };
  for (const Case& each : cases) {
    std::string reason;
    const auto* bytes = reinterpret_cast<const unsigned char*>(each.bytes.data());
    const bool sound = picture_structure_sound(bytes, each.bytes.size(), reason);
    if (each.refused_for.empty()) {
      EXPECT_TRUE(sound) << each.what << ": refused: " << reason;
    } else {
      EXPECT_FALSE(sound) << each.what;
      EXPECT_NE(reason.find(each.refused_for), std::string::npos) << each.what << ": " << reason;
    }
  }
}

TEST(PictureStructure, TakesEveryPictureOfTheGame) {
  int pictures = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(test_support::source_dir() + "/gfx")) {
    const std::string bytes = test_support::read_file(entry.path().string());
    std::string reason;
    EXPECT_TRUE(picture_structure_sound(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size(), reason))
        << entry.path() << ": " << reason;
    ++pictures;
  }
  EXPECT_GE(pictures, 11);
}

}  // namespace
