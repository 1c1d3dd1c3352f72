#include "units/picture.h"

#include <SDL/SDL_image.h>
#include <cstdio>
#include <set>
#include <vector>

#include "platform/regular_file.h"
#include "units/picture_format.h"
#include "units/picture_structure.h"

std::string local_path(const char* game_path) {
  std::string path(game_path);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

namespace {

// A surface's copy in the 32-bit 0x00RRGGBB layout, or null if SDL cannot make it.
SDL_Surface* convert_to_xrgb(SDL_Surface* picture) {
  SDL_PixelFormat format{};
  format.BitsPerPixel = 32;
  format.BytesPerPixel = 4;
  format.Rmask = 0x00FF0000;
  format.Gmask = 0x0000FF00;
  format.Bmask = 0x000000FF;
  format.Rshift = 16;
  format.Gshift = 8;
  format.alpha = SDL_ALPHA_OPAQUE;
  return SDL_ConvertSurface(picture, &format, SDL_SWSURFACE);
}

}  // namespace

namespace {

// No picture the game draws comes near this; a larger file is not a picture of ours.
constexpr long long max_picture_file_bytes = 256LL << 20;

PictureFault last_fault = PictureFault::none;

// Records why a load failed, with SDL's error set to `why`; the load's result is null.
SDL_Surface* fail(PictureFault fault, const std::string& why) {
  last_fault = fault;
  SDL_SetError("%s", why.c_str());
  return nullptr;
}

// The whole file in memory, or the fault with SDL's error set.
PictureFault read_picture_file(const std::string& path, std::vector<unsigned char>& bytes) {
  long long size = 0;
  FileFault fault = FileFault::none;
  std::string reason;
  std::FILE* file = open_regular_file(path, size, fault, reason);
  switch (fault) {
    case FileFault::none:
      break;
    case FileFault::missing:
      fail(PictureFault::missing, "Couldn't open " + path);
      return last_fault;
    case FileFault::not_regular:
      fail(PictureFault::unreadable, path + " is not a regular file");
      return last_fault;
    case FileFault::unreadable:
      fail(PictureFault::unreadable, "Couldn't open " + path + ": " + reason);
      return last_fault;
  }
  PictureFault result = PictureFault::unreadable;
  if (size > max_picture_file_bytes) {
    fail(result, path + " is larger than any picture (" + std::to_string(size) + " bytes)");
  } else {
    bytes.resize(static_cast<std::size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size())
      result = PictureFault::none;
    else
      fail(result, "Couldn't read " + path);
  }
  std::fclose(file);
  return result;
}

}  // namespace

PictureFault last_picture_fault() { return last_fault; }

std::string picture_failure(const char* what, const char* game_path) {
  const std::string named =
      (*what ? std::string(what) + " " : std::string()) + local_path(game_path);
  const std::string why = std::string(" (") + IMG_GetError() + ")";
  switch (last_fault) {
    case PictureFault::missing:
      return "cannot load " + named + why;
    case PictureFault::damaged:
      return named + " is damaged" + why;
    default:
      return "cannot read " + named + why;
  }
}

SDL_Surface* load_picture_as_is(const char* game_path) {
  // Read in one go: the decoder then seeks in memory, not with a system call each, and a
  // unit is created for every newcomer all game long.
  const std::string path = local_path(game_path);
  std::vector<unsigned char> bytes;
  if (read_picture_file(path, bytes) != PictureFault::none) return nullptr;
  std::string unsound;
  if (!picture_structure_sound(bytes.data(), bytes.size(), unsound))
    return fail(PictureFault::damaged, unsound);
  SDL_RWops* memory = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!memory) return fail(PictureFault::unreadable, IMG_GetError());
  SDL_Surface* picture = picture_kind(bytes.data(), bytes.size()) == PictureKind::png
                             ? IMG_LoadPNG_RW(memory)
                             : IMG_LoadBMP_RW(memory);
  SDL_RWclose(memory);
  if (!picture) return fail(PictureFault::damaged, IMG_GetError());
  return picture;
}

SDL_Surface* load_xrgb_picture(const char* game_path) {
  SDL_Surface* loaded = load_picture_as_is(game_path);
  if (!loaded) return nullptr;
  SDL_Surface* converted = convert_to_xrgb(loaded);
  SDL_FreeSurface(loaded);
  return converted;
}

namespace {

// A white square with a black frame: visible on land and water alike.
SDL_Surface* make_missing_picture_marker() {
  const int size = 16;
  SDL_Surface* marker =
      SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0);
  if (!marker) return nullptr;
  SDL_FillRect(marker, nullptr, 0x000000);
  SDL_Rect inner{2, 2, size - 4, size - 4};
  SDL_FillRect(marker, &inner, 0xFFFFFF);
  return marker;
}

// Units and shots come and go all game long; one line per missing file is enough.
void report_missing_once(const char* game_path, const char* consequence) {
  static std::set<std::string> reported;
  const std::string path = local_path(game_path);
  if (reported.insert(path).second)
    std::fprintf(stderr, "Quorvale: %s; %s\n", picture_failure("", game_path).c_str(), consequence);
}

}  // namespace

SDL_Surface* load_shot_picture(const char* game_path) {
  SDL_Surface* picture = load_picture_as_is(game_path);
  if (!picture) report_missing_once(game_path, "explosions will show as plain squares");
  return into_display_format(picture);
}

SDL_Surface* load_unit_picture(const char* game_path) {
  if (SDL_Surface* picture = load_xrgb_picture(game_path)) return picture;
  report_missing_once(game_path, "drawing a plain marker instead");
  return make_missing_picture_marker();
}
