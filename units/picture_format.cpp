#include "units/picture_format.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

#include "units/raw_pixel.h"

namespace {

bool is_magenta(Uint8 r, Uint8 g, Uint8 b) { return r == 255 && g == 0 && b == 255; }

// The palette entry nearest to a colour, leaving one entry out.
Uint32 nearest_entry_but(const SDL_Palette* palette, Uint8 r, Uint8 g, Uint8 b, Uint32 excluded) {
  Uint32 best = excluded;
  long best_distance = -1;
  for (int i = 0; i < palette->ncolors; ++i) {
    if (static_cast<Uint32>(i) == excluded) continue;
    const SDL_Color& c = palette->colors[i];
    const long dr = c.r - r, dg = c.g - g, db = c.b - b;
    const long distance = dr * dr + dg * dg + db * db;
    if (best_distance < 0 || distance < best_distance) {
      best = static_cast<Uint32>(i);
      best_distance = distance;
    }
  }
  return best;
}

// SDL_MapRGB, except that only magenta itself takes magenta's value `key`: a colour near
// it gets the nearest value that is not the key (one step of green, or another palette
// entry), so no pixel of a picture turns transparent that was not drawn so.
Uint32 map_colour(const SDL_PixelFormat* format, Uint8 r, Uint8 g, Uint8 b, Uint32 key) {
  const Uint32 mapped = SDL_MapRGB(const_cast<SDL_PixelFormat*>(format), r, g, b);
  if (mapped != key || is_magenta(r, g, b)) return mapped;
  if (format->palette) return nearest_entry_but(format->palette, r, g, b, key);
  return mapped ^ (Uint32{1} << format->Gshift);
}

bool same_palette(const SDL_Palette* a, const SDL_Palette* b) {
  if (!a || !b) return a == b;
  return a->ncolors == b->ncolors &&
         std::memcmp(a->colors, b->colors, sizeof(SDL_Color) * a->ncolors) == 0;
}

// What a pixel format is, kept by value: SDL frees and reuses the formats themselves.
class FormatCopy {
 public:
  bool matches(const SDL_PixelFormat* format) const {
    const int colours = format->palette ? format->palette->ncolors : 0;
    return format->BitsPerPixel == bits_ && format->Rmask == masks_[0] &&
           format->Gmask == masks_[1] && format->Bmask == masks_[2] && format->Amask == masks_[3] &&
           colours == colours_ &&
           (colours == 0 || std::memcmp(format->palette->colors, palette_.data(),
                                        sizeof(SDL_Color) * colours) == 0);
  }
  void take(const SDL_PixelFormat* format) {
    bits_ = format->BitsPerPixel;
    masks_ = {format->Rmask, format->Gmask, format->Bmask, format->Amask};
    colours_ = format->palette ? std::min(format->palette->ncolors, 256) : 0;
    if (colours_ > 0)
      std::memcpy(palette_.data(), format->palette->colors, sizeof(SDL_Color) * colours_);
  }

 private:
  Uint8 bits_ = 0;
  std::array<Uint32, 4> masks_{};
  int colours_ = -1;
  std::array<SDL_Color, 256> palette_{};
};

// Raw source pixels already mapped, kept from one copy to the next while both formats stay
// the same: pictures hold few colours, and SDL_MapRGB into a palette searches all of it.
class ColourCache {
 public:
  // Serves copies from `source` to `target`, forgetting what it held if either changed.
  void use(const SDL_PixelFormat* source, const SDL_PixelFormat* target) {
    if (!source_copy_.matches(source) || !target_copy_.matches(target)) {
      source_copy_.take(source);
      target_copy_.take(target);
      entries_.fill(Entry{});
      key_ = SDL_MapRGB(const_cast<SDL_PixelFormat*>(target), 255, 0, 255);
    }
    source_ = source;
    target_ = target;
  }

  Uint32 operator()(Uint32 raw) {
    Entry& entry = entries_[(raw * 2654435761u) >> 22];
    if (!entry.used || entry.raw != raw) {
      Uint8 r, g, b;
      SDL_GetRGB(raw, const_cast<SDL_PixelFormat*>(source_), &r, &g, &b);
      entry = Entry{raw, map_colour(target_, r, g, b, key_), true};
    }
    return entry.mapped;
  }

 private:
  struct Entry {
    Uint32 raw;
    Uint32 mapped;
    bool used;
  };
  FormatCopy source_copy_;
  FormatCopy target_copy_;
  const SDL_PixelFormat* source_ = nullptr;
  const SDL_PixelFormat* target_ = nullptr;
  Uint32 key_ = 0;
  std::array<Entry, 1024> entries_{};
};

// Copies every pixel through the cache, a run of one raw value looked up once.
template <int in_bytes, int out_bytes>
void copy_pixels(SDL_Surface* picture, SDL_Surface* copy, ColourCache& mapped) {
  for (int y = 0; y < picture->h; ++y) {
    const Uint8* in = static_cast<const Uint8*>(picture->pixels) +
                      static_cast<std::ptrdiff_t>(y) * picture->pitch;
    Uint8* out = static_cast<Uint8*>(copy->pixels) + static_cast<std::ptrdiff_t>(y) * copy->pitch;
    Uint32 last_raw = read_pixel(in, in_bytes);
    Uint32 last_mapped = mapped(last_raw);
    for (int x = 0; x < picture->w; ++x, in += in_bytes, out += out_bytes) {
      const Uint32 raw = read_pixel(in, in_bytes);
      if (raw != last_raw) {
        last_raw = raw;
        last_mapped = mapped(raw);
      }
      write_pixel(out, out_bytes, last_mapped);
    }
  }
}

template <int in_bytes>
void copy_pixels_into(SDL_Surface* picture, SDL_Surface* copy, ColourCache& mapped) {
  switch (copy->format->BytesPerPixel) {
    case 1:
      return copy_pixels<in_bytes, 1>(picture, copy, mapped);
    case 2:
      return copy_pixels<in_bytes, 2>(picture, copy, mapped);
    case 3:
      return copy_pixels<in_bytes, 3>(picture, copy, mapped);
    default:
      return copy_pixels<in_bytes, 4>(picture, copy, mapped);
  }
}

}  // namespace

bool same_pixel_format(const SDL_PixelFormat* source, const SDL_PixelFormat* target) {
  return source->BitsPerPixel == target->BitsPerPixel && source->Rmask == target->Rmask &&
         source->Gmask == target->Gmask && source->Bmask == target->Bmask &&
         source->Amask == target->Amask && same_palette(source->palette, target->palette);
}

SDL_Surface* copy_in_format(SDL_Surface* picture, const SDL_PixelFormat* format) {
  SDL_Surface* copy =
      SDL_CreateRGBSurface(SDL_SWSURFACE, picture->w, picture->h, format->BitsPerPixel,
                           format->Rmask, format->Gmask, format->Bmask, format->Amask);
  if (!copy) return nullptr;
  // Through SDL_SetColors, so that sdl12-compat's own copy of the palette is set too. Its
  // result is not the test: sdl12-compat reports failure for any surface but the screen.
  if (format->palette) {
    SDL_SetColors(copy, format->palette->colors, 0, format->palette->ncolors);
    if (!same_palette(copy->format->palette, format->palette)) {
      SDL_FreeSurface(copy);
      return nullptr;
    }
  }
  static ColourCache cache;
  cache.use(picture->format, format);
  SDL_LockSurface(picture);
  SDL_LockSurface(copy);
  if (picture->w > 0) {
    switch (picture->format->BytesPerPixel) {
      case 1:
        copy_pixels_into<1>(picture, copy, cache);
        break;
      case 2:
        copy_pixels_into<2>(picture, copy, cache);
        break;
      case 3:
        copy_pixels_into<3>(picture, copy, cache);
        break;
      default:
        copy_pixels_into<4>(picture, copy, cache);
        break;
    }
  }
  SDL_UnlockSurface(copy);
  SDL_UnlockSurface(picture);
  return copy;
}

SDL_Surface* display_format_copy(SDL_Surface* picture) {
  const SDL_Surface* screen = SDL_GetVideoSurface();
  if (!screen || same_pixel_format(picture->format, screen->format)) {
    ++picture->refcount;
    return picture;
  }
  return copy_in_format(picture, screen->format);
}

SDL_Surface* into_display_format(SDL_Surface* picture) {
  if (!picture) return nullptr;
  SDL_Surface* drawn = display_format_copy(picture);
  if (!drawn) return picture;
  SDL_FreeSurface(picture);
  return drawn;
}
