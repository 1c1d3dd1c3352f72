// Writes every unit picture turned to each of the 360 headings as the frame draws it (the
// picture keyed on magenta, rotozoomSurface at scale 1 without smoothing), as raw 32-bit
// pixels: for each picture and heading a line "NAME HEADING W H", then W*H pixels as 8 hex
// digits each. Two builds (SDL_gfx 2.0.25 on Linux, 2.0.27 on Windows) are compared by
// comparing their output. Run from the folder that holds gfx/.

#include <SDL/SDL.h>
#include <SDL/SDL_rotozoom.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "units/picture.h"

namespace {

constexpr const char* pictures[] = {"aa_tank",  "airplane", "commander", "cruiser",     "ducky",
                                    "infantry", "saboteur", "tank",      "unknownenemy"};

// One row's pixels, a line each, in one write: the Windows C runtime under Wine takes
// seconds for the millions of lines when each is a printf of its own.
void print_row(const Uint32* row, int width) {
  std::string lines;
  lines.reserve(static_cast<std::size_t>(width) * 9);
  for (int x = 0; x < width; ++x) {
    for (int shift = 28; shift >= 0; shift -= 4)
      lines += "0123456789abcdef"[(row[x] >> shift) & 15];
    lines += '\n';
  }
  std::fwrite(lines.data(), 1, lines.size(), stdout);
}

void print_turned(const char* name, SDL_Surface* picture) {
  SDL_SetColorKey(picture, SDL_SRCCOLORKEY, SDL_MapRGB(picture->format, 255, 0, 255));
  for (int heading = 0; heading < 360; ++heading) {
    SDL_Surface* turned = rotozoomSurface(picture, heading, 1.0, 0);
    if (!turned) {
      std::printf("%s %d 0 0\n", name, heading);
      continue;
    }
    std::printf("%s %d %d %d\n", name, heading, turned->w, turned->h);
    SDL_LockSurface(turned);
    for (int y = 0; y < turned->h; ++y) {
      const auto* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(turned->pixels) +
                                                        y * turned->pitch);
      print_row(row, turned->w);
    }
    SDL_UnlockSurface(turned);
    SDL_FreeSurface(turned);
  }
}

}  // namespace

int main(int, char**) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "turned_pictures: cannot start SDL (%s)\n", SDL_GetError());
    return 1;
  }
  for (const char* name : pictures) {
    const std::string path = std::string("gfx/") + name + ".png";
    SDL_Surface* picture = load_xrgb_picture(path.c_str());
    if (!picture) {
      std::fprintf(stderr, "turned_pictures: %s\n", picture_failure("", path.c_str()).c_str());
      return 1;
    }
    print_turned(name, picture);
    SDL_FreeSurface(picture);
  }
  SDL_Quit();
  return 0;
}
