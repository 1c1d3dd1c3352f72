/*
 * One pixel's raw value in a surface's memory, at any of SDL's depths (1 to 4 bytes a
 * pixel), read or written in the machine's byte order.
 */
#pragma once

#include <SDL/SDL.h>

#include <cstring>

inline Uint32 read_pixel(const Uint8* at, int bytes) {
  switch (bytes) {
    case 1:
      return *at;
    case 2: {
      Uint16 value;
      std::memcpy(&value, at, 2);
      return value;
    }
    case 3:
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
      return static_cast<Uint32>(at[0]) << 16 | static_cast<Uint32>(at[1]) << 8 | at[2];
#else
      return static_cast<Uint32>(at[2]) << 16 | static_cast<Uint32>(at[1]) << 8 | at[0];
#endif
    default: {
      Uint32 value;
      std::memcpy(&value, at, 4);
      return value;
    }
  }
}

inline void write_pixel(Uint8* at, int bytes, Uint32 value) {
  switch (bytes) {
    case 1:
      *at = static_cast<Uint8>(value);
      break;
    case 2: {
      const Uint16 narrow = static_cast<Uint16>(value);
      std::memcpy(at, &narrow, 2);
      break;
    }
    case 3:
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
      at[0] = static_cast<Uint8>(value >> 16);
      at[1] = static_cast<Uint8>(value >> 8);
      at[2] = static_cast<Uint8>(value);
#else
      at[0] = static_cast<Uint8>(value);
      at[1] = static_cast<Uint8>(value >> 8);
      at[2] = static_cast<Uint8>(value >> 16);
#endif
      break;
    default:
      std::memcpy(at, &value, 4);
      break;
  }
}
