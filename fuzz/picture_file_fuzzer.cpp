/*
 * Fuzz target: a hostile picture file, through the loading that the client's map, unit
 * and explosion pictures and the server's --map share.
 *
 * The input is the file as it is, written under the game's name for a unit's picture and
 * for the map in the scratch folder. It is loaded as a unit's picture, as the map, and as
 * the server's --map. Whatever the bytes, each load ends: a loaded picture is in the
 * 0x00RRGGBB layout, and a refused one is told as damaged, in one line. libFuzzer's
 * -timeout catches a load that never ends.
 */
#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "fuzz/scratch_folder.h"
#include "server/terrain_map.h"
#include "units/picture.h"
#include "units/terrain.h"

namespace {

constexpr const char* picture_path = "gfx\\tank.png";
constexpr const char* map_path = "gfx\\map1.png";

void check_loaded_or_told(SDL_Surface* picture, const char* game_path) {
  if (picture) {
    require(picture->format->BitsPerPixel == 32 && picture->format->Rmask == 0x00FF0000 &&
                picture->format->Gmask == 0x0000FF00 && picture->format->Bmask == 0x000000FF,
            "a loaded picture is in the 0x00RRGGBB layout");
    require(picture->w > 0 && picture->h > 0, "a loaded picture has pixels");
    SDL_FreeSurface(picture);
    return;
  }
  require(last_picture_fault() == PictureFault::damaged, "a file that is there is damaged");
  require(is_one_line(picture_failure("the picture", game_path)), "a refusal is one line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  keep_findings_in_start_folder(argc, argv);
  make_scratch_folder("picture_file_fuzzer");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "picture_file_fuzzer: cannot start SDL (%s)\n", SDL_GetError());
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InScratchFolder in_scratch;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  write_scratch_file("gfx/tank.png", bytes);
  write_scratch_file("gfx/map1.png", bytes);
  check_loaded_or_told(load_xrgb_picture(picture_path), picture_path);
  check_loaded_or_told(load_terrain_map(map_path), map_path);
  std::string error;
  const std::unique_ptr<TerrainMap> map = TerrainMap::load(map_path, error);
  require(map || is_one_line(error), "the server refuses a map in one line");
  return 0;
}
