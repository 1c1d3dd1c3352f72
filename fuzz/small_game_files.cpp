#include "fuzz/small_game_files.h"

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/png_file.h"
#include "fuzz/scratch_folder.h"
#include "units/terrain.h"

namespace {

struct SmallPicture {
  const char* name;
  int width;
  int height;
};

// Every size differs, odd and even, so the turned copies and their centring vary.
constexpr SmallPicture pictures[] = {
    {"unknownenemy", 3, 3}, {"infantry", 1, 1}, {"tank", 4, 3},     {"airplane", 5, 5},
    {"cruiser", 6, 2},      {"aa_tank", 2, 5},  {"saboteur", 3, 4}, {"ducky", 4, 4},
    {"commander", 7, 7},    {"explosion", 3, 3}};

void put(std::vector<uint8_t>& rgb, int at, uint32_t colour) {
  rgb[at * 3] = static_cast<uint8_t>(colour >> 16);
  rgb[at * 3 + 1] = static_cast<uint8_t>(colour >> 8);
  rgb[at * 3 + 2] = static_cast<uint8_t>(colour);
}

// A picture with magenta corners (the colour key) around a coloured body.
std::string small_picture_file(int width, int height, uint32_t body) {
  std::vector<uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool corner = (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
      put(rgb, y * width + x, corner && width * height > 1 ? 0xFF00FF : body + 0x101010 * x);
    }
  return rgb_png_file(width, height, rgb);
}

std::string small_map_file() {
  std::vector<uint8_t> rgb(small_map_width * small_map_height * 3);
  for (int y = 0; y < small_map_height; ++y)
    for (int x = 0; x < small_map_width; ++x) {
      uint32_t colour = x < small_map_water_from_x ? land_pixel : water_pixel;
      if (x >= small_map_rock_from_x || (y >= small_map_band_from_y && y < small_map_band_to_y))
        colour = 0x606060;
      put(rgb, y * small_map_width + x, colour);
    }
  return rgb_png_file(small_map_width, small_map_height, rgb);
}

}  // namespace

void write_small_game_files() {
  uint32_t body = 0x204010;
  for (const SmallPicture& picture : pictures) {
    write_scratch_file(std::string("gfx/") + picture.name + ".png",
                       small_picture_file(picture.width, picture.height, body));
    body += 0x181008;
  }
  write_scratch_file("gfx/map1.png", small_map_file());
}
