/*
 * Fuzz target: any command line of quorvale-server, through its parser and into the
 * world the options set up.
 *
 * The bytes are the arguments, separated by NUL bytes (argv[0] is the program's name).
 * A bad command line must give one line that says what is wrong; a good one must give
 * options inside their documented ranges, and a world of that many units at that rate
 * and seed is then built on a 256 by 256 map and run for two ticks, as the server would
 * before it listens. Nothing listens, records or sleeps here.
 */
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "fuzz/png_file.h"
#include "fuzz/scratch_folder.h"
#include "fuzz/snapshot_checks.h"
#include "server/server_options.h"
#include "server/simulation_source.h"
#include "server/terrain_map.h"
#include "units/picture.h"
#include "units/terrain.h"

namespace {

constexpr std::size_t max_arguments = 64;
std::unique_ptr<TerrainMap> map;

// Land on the left, water on the right, a rock frame: every kind of unit has room.
std::string world_map_file() {
  constexpr int side = TerrainMap::min_side;
  std::vector<uint8_t> rgb;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const bool rock = x < 8 || y < 8 || x >= side - 8 || y >= side - 8;
      const Uint32 colour = rock ? 0x606060 : x < side / 2 ? land_pixel : water_pixel;
      for (int shift = 16; shift >= 0; shift -= 8) rgb.push_back(uint8_t(colour >> shift));
    }
  return rgb_png_file(side, side, rgb);
}

void check_options(const ServerOptions& options) {
  require(options.port >= 1, "a port from 1 to 65535");
  require(options.units >= 1 && options.units <= snapshot_max_records, "1 to 63 units");
  require(std::isfinite(options.rate_hz) && options.rate_hz >= 1.0 && options.rate_hz <= 100.0,
          "a rate from 1 to 100");
  require(std::isfinite(options.duration_seconds) && options.duration_seconds >= 0.0,
          "a duration of 0 (none) or more seconds");
  require(!options.map_path.empty(), "a map path");
  require(!local_path(options.map_path.c_str()).empty(), "a map path on this system");
}

// The world the options ask for, two ticks on: the configured number of distinct units.
void run_world(const ServerOptions& options) {
  SimulationSource source(*map, options.units, options.seed, options.rate_hz);
  std::string error;
  for (int tick = 0; tick < 3; ++tick) {
    SnapshotMessage message;
    require(source.next(message, error), "the simulation always has a next message");
    for (const UnitRecord& unit : require_each_unit_once(message, options.units))
      require(unit.x >= 0 && unit.x < map->width() && unit.y >= 0 && unit.y < map->height(),
              "units stay on the map");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keep_findings_in_start_folder(argc, argv);
  make_scratch_folder("server_options_fuzzer");
  write_scratch_file("world.png", world_map_file());
  std::string error;
  map = TerrainMap::load(scratch_folder() + "/world.png", error);
  require(map != nullptr, "the target's own map loads");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments{"quorvale-server"};
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (std::size_t at = 0; size > 0 && at <= bytes.size() && arguments.size() <= max_arguments;) {
    const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
    arguments.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  const ParsedOptions parsed =
      parse_server_options(static_cast<int>(arguments.size()), argv.data());
  if (!parsed.error.empty()) {
    require(is_one_line(parsed.error), "a bad command line is told in one line");
    return 0;
  }
  if (parsed.options.help) {
    require(!server_usage().empty(), "--help has a text");
    return 0;
  }
  check_options(parsed.options);
  if (parsed.options.replay_path.empty()) run_world(parsed.options);
  return 0;
}
