// The bytes of a record, decoded the same on any host.

#include <gtest/gtest.h>

#include <cstring>

#include "net/snapshot_format.h"

namespace {

const unsigned char tank_seven[unit_record_size] = {0x00, 0x00, 0xC9, 0x42, 0x00, 0x00, 0x48, 0x43,
                                                    0x5A, 0x00, 0x05, 0x00, 0x01, 0x00, 0x07, 0x00};

uint32_t bits_of(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

}  // namespace

TEST(WireFormat, ExampleRecordIsUnitSevenATankAtItsPlace) {
  const UnitRecord r = decode_unit_record(tank_seven);
  EXPECT_EQ(r.id, 7);
  EXPECT_EQ(r.type, 1);
  EXPECT_EQ(r.x, 100.5f);
  EXPECT_EQ(r.y, 200.0f);
  EXPECT_EQ(r.heading, 90);
  EXPECT_EQ(r.speed, 5);

  unsigned char encoded[unit_record_size];
  encode_unit_record(r, encoded);
  EXPECT_EQ(std::memcmp(encoded, tank_seven, unit_record_size), 0);
}

TEST(WireFormat, SixteenBitFieldsAreSignedAndLittleEndian) {
  unsigned char bytes[unit_record_size];
  std::memcpy(bytes, tank_seven, unit_record_size);
  bytes[10] = 0xFD;  // speed FD FF
  bytes[11] = 0xFF;
  bytes[8] = 0x00;  // heading 00 80: the smallest value
  bytes[9] = 0x80;
  bytes[12] = 0xFF;  // type FF 7F: the largest value
  bytes[13] = 0x7F;
  bytes[14] = 0xFF;  // id FF FF
  bytes[15] = 0xFF;
  const UnitRecord r = decode_unit_record(bytes);
  EXPECT_EQ(r.speed, -3);
  EXPECT_EQ(r.heading, -32768);
  EXPECT_EQ(r.type, 32767);
  EXPECT_EQ(r.id, -1);
}

TEST(WireFormat, PositionsKeepEveryBitOfTheirFloats) {
  // Any 32-bit pattern must come through unchanged, a NaN's payload and sign included.
  const uint32_t patterns[] = {0x7FC00001u, 0xFFBFFFFFu, 0x7F800000u, 0xFF800000u,
                               0x80000000u, 0x00000001u, 0x42C98000u, 0x7149F2CAu};
  for (uint32_t pattern : patterns) {
    unsigned char bytes[unit_record_size] = {};
    for (int i = 0; i < 4; ++i) {
      bytes[i] = static_cast<unsigned char>(pattern >> (8 * i));
      bytes[4 + i] = static_cast<unsigned char>(~pattern >> (8 * i));
    }
    const UnitRecord r = decode_unit_record(bytes);
    EXPECT_EQ(bits_of(r.x), pattern) << std::hex << pattern;
    EXPECT_EQ(bits_of(r.y), ~pattern) << std::hex << pattern;
    unsigned char again[unit_record_size];
    encode_unit_record(r, again);
    EXPECT_EQ(std::memcmp(again, bytes, unit_record_size), 0) << std::hex << pattern;
  }
}

// What the launcher takes for a Quorvale server: a message as encode_snapshot writes it,
// and nothing another program's bytes would likely be.
TEST(WireFormat, OnlyMessagesAsAServerWritesThemAreWellFormed) {
  UnitRecord records[snapshot_max_records] = {};
  for (UnitRecord& r : records) r = decode_unit_record(tank_seven);
  struct Case {
    const char* what;
    int count;
    std::size_t changed_byte;  // 0 leaves the message as encoded
    unsigned char value;
    bool well_formed;
  };
  const Case cases[] = {
      {"no units", 0, 0, 0, true},
      {"one unit", 1, 0, 0, true},
      {"63 units, the last ending at byte 1016", 63, 0, 0, true},
      {"a negative count", 1, 0, 0xFF, false},
      {"a count of 64", 63, 0, 64, false},
      {"a count of 2, the second record all zeros", 1, 0, 2, true},
      {"padding set", 1, 3, 'x', false},
      {"a byte past the last record", 1, 8 + 16, 1, false},
      {"the message's last byte", 63, snapshot_message_size - 1, 1, false},
  };
  for (const Case& c : cases) {
    SnapshotMessage message;
    encode_snapshot(records, c.count, message.bytes);
    if (c.changed_byte != 0 || c.value != 0) message.bytes[c.changed_byte] = c.value;
    EXPECT_EQ(snapshot_is_well_formed(message.bytes), c.well_formed) << c.what;
  }
}
