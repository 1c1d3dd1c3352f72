/*
 * Fuzz target: a hostile map picture, through the client's and the server's loading
 * and terrain code.
 *
 * Byte 0 chooses the form of the rest. Even: the rest is the map file as it is, so
 * any format SDL_image knows, and any damage. Odd: the rest describes a PNG the
 * target builds, so that SDL_image accepts it and our code meets every size, depth
 * and colour type: width and height (16-bit little-endian; past 524,288 pixels the
 * height shrinks to fit), bit depth and colour type (each an index into PNG's lists),
 * interlacing, the server's unit count (1 to 8), a palette length with its entries, and then
 * bytes repeated to fill every scanline (filter byte included).
 *
 * The file becomes gfx/map1.png in the scratch folder. The client loads it, reads its
 * terrain at the corners and beyond, creates units of every terrain over it, steps
 * them, holds one and draws the frame; the server loads it as --map and runs a world
 * on it for a few ticks. Refusal is fine; a loaded map must be in the terrain layout.
 */
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/frame_loop.h"
#include "core/world.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/png_file.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/small_game_files.h"
#include "fuzz/snapshot_checks.h"
#include "net/apply_snapshot.h"
#include "server/simulation_source.h"
#include "server/terrain_map.h"
#include "units/clock.h"
#include "units/terrain.h"
#include "units/unit.h"
#include "view/draw_frame.h"
#include "view/player.h"

namespace {

constexpr uint32_t max_built_pixels = 1u << 19;
// Placing a unit on a map short of its terrain takes the server a long search; a few
// units meet every case of it, and the command line target covers larger worlds.
constexpr int max_server_units = 8;

Uint32 clock_now = 0;
Uint32 read_clock() { return clock_now; }
Player* player = nullptr;

struct MapFile {
  std::string bytes;
  int server_units = 4;
};

// The PNG that the odd form describes (see the comment at the top).
MapFile built_png(const uint8_t* data, std::size_t size) {
  uint8_t header[9] = {};
  std::copy(data, data + std::min<std::size_t>(size, 9), header);
  const uint8_t depths[] = {1, 2, 4, 8, 16};
  const uint8_t colour_types[] = {0, 2, 3, 4, 6};
  const uint8_t channels[] = {1, 3, 1, 2, 4};
  PngHeader png;
  png.width = std::max(1, header[0] | header[1] << 8);
  png.height = std::max(1, header[2] | header[3] << 8);
  if (png.width * png.height > max_built_pixels)
    png.height = std::max<uint32_t>(1, max_built_pixels / png.width);
  png.bit_depth = depths[header[4] % 5];
  png.colour_type = colour_types[header[5] % 5];
  png.interlace = header[6] & 1;
  MapFile file;
  file.server_units = 1 + header[7] % max_server_units;
  std::size_t at = std::min<std::size_t>(size, 9);
  const std::size_t palette_bytes = std::min<std::size_t>(3u * header[8], size - at);
  const std::string palette(reinterpret_cast<const char*>(data) + at, palette_bytes);
  at += palette_bytes;
  const std::string pattern = at < size
                                  ? std::string(reinterpret_cast<const char*>(data) + at, size - at)
                                  : std::string(1, 0);
  const std::size_t row =
      1 + (static_cast<std::size_t>(png.width) * channels[header[5] % 5] * png.bit_depth + 7) / 8;
  std::string scanlines;
  scanlines.reserve(row * png.height + pattern.size());
  while (scanlines.size() < row * png.height) scanlines += pattern;
  scanlines.resize(row * png.height);
  file.bytes = png_file(png, scanlines, palette);
  return file;
}

MapFile map_file(const uint8_t* data, std::size_t size) {
  if (size > 0 && (data[0] & 1)) return built_png(data + 1, size - 1);
  MapFile file;
  if (size > 1) file.bytes.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
  return file;
}

// The pixel as the surface holds it, read without map_pixel.
Uint32 raw_pixel(SDL_Surface* map, int x, int y) {
  SDL_LockSurface(map);
  const Uint32 pixel = *reinterpret_cast<const Uint32*>(static_cast<const uint8_t*>(map->pixels) +
                                                        y * map->pitch + x * 4);
  SDL_UnlockSurface(map);
  return pixel;
}

void check_terrain_reads(SDL_Surface* map) {
  require(map->format->BitsPerPixel == 32 && map->format->Rmask == 0x00FF0000 &&
              map->format->Gmask == 0x0000FF00 && map->format->Bmask == 0x000000FF,
          "a loaded map is in the 0x00RRGGBB layout");
  const int xs[] = {0, map->w / 2, map->w - 1};
  const int ys[] = {0, map->h / 2, map->h - 1};
  for (const int x : xs)
    for (const int y : ys)
      require(map_pixel(map, x, y) == raw_pixel(map, x, y), "map_pixel reads the map");
  const int32_t outside[][2] = {{-1, 0},        {0, -1},        {map->w, 0},     {0, map->h},
                                {INT32_MIN, 0}, {0, INT32_MAX}, {map->w, map->h}};
  for (const auto& point : outside)
    require(map_pixel(map, point[0], point[1]) == 0, "outside the map is closed");
}

// Units of every terrain on the corners, the middle and beyond, stepped, held and drawn.
void run_client_frames(SDL_Surface* map) {
  const float w = static_cast<float>(map->w);
  const float h = static_cast<float>(map->h);
  const float points[][2] = {
      {0.5f, 0.5f}, {w - 0.5f, h - 0.5f}, {w / 2, h / 2}, {w - 0.5f, 0.5f}, {w + 10, h + 10}};
  std::vector<UnitRecord> records;
  for (int16_t type = 0; type < 8; ++type) {
    const auto& point = points[type % 5];
    records.push_back(UnitRecord{point[0], point[1], static_cast<int16_t>(45 * type),
                                 static_cast<int16_t>(type + 2), type,
                                 static_cast<int16_t>(type + 1)});
  }
  apply_snapshot(records.data(), static_cast<int>(records.size()));
  for (int pass = 0; pass < 3; ++pass) {
    clock_now += 50;
    run_unit_pass(map);
  }
  for (int held = 0; held < 3; ++held) {
    player->select_unit(held);
    draw_frame(map, *player);
  }
  player->select_unit(-1);
  world.clear();
}

// The server with this map as --map: refused in one line, or a world on it.
void run_server(const MapFile& file) {
  std::string error;
  const std::unique_ptr<TerrainMap> map = TerrainMap::load("gfx\\map1.png", error);
  if (!map) {
    require(is_one_line(error), "a refused map is told in one line");
    return;
  }
  SimulationSource source(*map, file.server_units, 1, 10.0);
  for (int tick = 0; tick < 3; ++tick) {
    SnapshotMessage message;
    require(source.next(message, error), "the simulation always has a next message");
    for (const UnitRecord& unit : require_each_unit_once(message, file.server_units))
      require(std::isfinite(unit.x) && std::isfinite(unit.y), "finite positions");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keep_findings_in_start_folder(argc, argv);
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  make_scratch_folder("map_picture_fuzzer");
  write_small_game_files();
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "map_picture_fuzzer: cannot start SDL (%s)\n", SDL_GetError());
    std::exit(1);
  }
  world.screen = SDL_SetVideoMode(screen_width, screen_height, 32, SDL_SWSURFACE);
  require(world.screen != nullptr, "a dummy screen");
  game_ticks = read_clock;
  player = new Player();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InScratchFolder in_scratch;
  const MapFile file = map_file(data, size);
  write_scratch_file("gfx/map1.png", file.bytes);
  if (SDL_Surface* map = load_terrain_map("gfx\\map1.png")) {
    check_terrain_reads(map);
    run_client_frames(map);
    SDL_FreeSurface(map);
  }
  run_server(file);
  clock_now = 0;
  return 0;
}
