/*
 * The snapshot wire format: the bytes a game server streams to a client.
 *
 * The stream is an endless run of fixed-size SnapshotMessages of 1024 bytes, with no
 * framing of any other kind: message n starts at byte 1024*(n-1) of the connection.
 * Byte 0 is the signed record count, bytes 1..7 are unused, and the UnitRecords
 * follow from byte 8, 16 bytes each, every field little-endian.
 *
 * This header is the one definition of the format; the client and our snapshot
 * server both use it. It includes nothing of the game's own and is safe on any
 * thread. Decoding goes byte by byte, so it is correct whatever the host's byte
 * order and never reads through a misaligned pointer.
 */
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The TCP port a game server listens on and the client connects to.
constexpr uint16_t game_port = 21000;

constexpr std::size_t snapshot_message_size = 1024;
constexpr std::size_t unit_record_size = 16;
constexpr std::size_t snapshot_records_offset = 8;
// 8 + 63 * 16 = 1016: a 64th record would end past the message.
constexpr int snapshot_max_records = 63;

// One unit as the server reports it, decoded into host order.
struct UnitRecord {
  float x;
  float y;
  int16_t heading;
  int16_t speed;
  int16_t type;
  int16_t id;
};

// The raw bytes of one message, exactly as they travel.
struct SnapshotMessage {
  unsigned char bytes[snapshot_message_size];
};

namespace wire {

inline uint16_t read_u16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t read_u32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void write_u16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}

inline void write_u32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline float float_from_bits(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

inline uint32_t bits_from_float(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace wire

// Decodes the 16 bytes at `bytes` into a record; x and y keep every bit.
inline UnitRecord decode_unit_record(const unsigned char* bytes) {
  UnitRecord r;
  r.x = wire::float_from_bits(wire::read_u32(bytes + 0));
  r.y = wire::float_from_bits(wire::read_u32(bytes + 4));
  r.heading = static_cast<int16_t>(wire::read_u16(bytes + 8));
  r.speed = static_cast<int16_t>(wire::read_u16(bytes + 10));
  r.type = static_cast<int16_t>(wire::read_u16(bytes + 12));
  r.id = static_cast<int16_t>(wire::read_u16(bytes + 14));
  return r;
}

// Encodes a record into the 16 bytes at `out`.
inline void encode_unit_record(const UnitRecord& r, unsigned char* out) {
  wire::write_u32(out + 0, wire::bits_from_float(r.x));
  wire::write_u32(out + 4, wire::bits_from_float(r.y));
  wire::write_u16(out + 8, static_cast<uint16_t>(r.heading));
  wire::write_u16(out + 10, static_cast<uint16_t>(r.speed));
  wire::write_u16(out + 12, static_cast<uint16_t>(r.type));
  wire::write_u16(out + 14, static_cast<uint16_t>(r.id));
}

// The count byte of a message, read as signed: 0x80..0xFF are -128..-1.
inline int8_t snapshot_count_byte(const unsigned char* message) {
  return static_cast<int8_t>(message[0]);
}

// How many records of a message with this count can be read without passing its end:
// none for 0 or below, the count itself up to 63, and the 63 that fit for 64..127.
inline int snapshot_readable_records(int count) {
  if (count <= 0) return 0;
  return count > snapshot_max_records ? snapshot_max_records : count;
}

// Whether a message is one a Quorvale server writes: a count of 0..63, the padding zeroed,
// and nothing but zeros past the last record.
inline bool snapshot_is_well_formed(const unsigned char* message) {
  const int count = snapshot_count_byte(message);
  if (count < 0 || count > snapshot_max_records) return false;
  for (std::size_t i = 1; i < snapshot_records_offset; ++i)
    if (message[i] != 0) return false;
  for (std::size_t i = snapshot_records_offset + unit_record_size * count;
       i < snapshot_message_size; ++i)
    if (message[i] != 0) return false;
  return true;
}

// Writes a whole message: the count, zeroed padding, the records and zeroed tail.
// `count` must be 0..63 and `records` must hold that many.
inline void encode_snapshot(const UnitRecord* records, int count, unsigned char* message) {
  std::memset(message, 0, snapshot_message_size);
  message[0] = static_cast<unsigned char>(count);
  for (int i = 0; i < count; ++i)
    encode_unit_record(records[i], message + snapshot_records_offset + unit_record_size * i);
}
