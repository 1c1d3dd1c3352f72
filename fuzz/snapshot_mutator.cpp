#include "fuzz/snapshot_mutator.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>

#include "fuzz/small_game_files.h"
#include "net/snapshot_format.h"

namespace {

constexpr std::size_t message_size = snapshot_message_size;
// The frame script's held input: the last 8 bytes, past the 63rd record.
constexpr std::size_t input_offset =
    snapshot_records_offset + unit_record_size * snapshot_max_records;

using Random = std::minstd_rand;

int below(Random& random, int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }

template <typename T, std::size_t count>
T pick(Random& random, const T (&values)[count]) {
  return values[below(random, static_cast<int>(count))];
}

// Around the signed count byte's and the record table's limits.
constexpr int counts[] = {0, 1, 2, 3, 62, 63, 64, 65, 126, 127, 128, 129, 254, 255};
// Mostly a few small ids, so that units are refreshed, removed and created again.
constexpr int16_t rare_ids[] = {0, -1, 63, 64, 255, 256, 32767, -32768};
constexpr int16_t headings[] = {0,   1,   -1,  45,  89,   90,   179,  180,  181,   270,   359,
                                360, 361, 719, 720, -359, -360, -361, 1000, 32767, -32768};
// The unit types' speed limits and the integers just past them.
constexpr int16_t speeds[] = {0,    1,   -1,  2,   3,   5,    -4,    -5,    -6,    6,   8,
                              10,   12,  15,  16,  25,  26,   99,    100,   101,   -99, -100,
                              -101, 127, 128, 255, 256, 1000, -1000, 32767, -32768};
constexpr int16_t types[] = {-3, -2, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 100, 32767, -32768};
constexpr uint8_t clock_steps[] = {0, 1, 2, 25, 49, 50, 51, 99, 100, 101, 200, 255};
constexpr int8_t selections[] = {-128, -2, -1, 0, 1, 2, 3, 5, 6, 62, 63, 64, 127};
constexpr int16_t window_points[] = {0,   -1,  1,   320,   240,   479,    480,   639,
                                     640, 641, 999, 16384, 32767, -32768, -16384};

// A coordinate where the client's terrain test, truncation or conversion changes its answer.
float special_coordinate(Random& random, int side, const int* borders, int border_count) {
  constexpr float infinity = std::numeric_limits<float>::infinity();
  constexpr float far[] = {32767.0f,
                           32767.5f,
                           32768.0f,
                           -32768.0f,
                           -32768.5f,
                           -32769.0f,
                           65535.0f,
                           65536.0f,
                           2147483648.0f,
                           -2147483904.0f,
                           1e10f,
                           3.4e38f,
                           -3.4e38f,
                           infinity,
                           -infinity,
                           std::numeric_limits<float>::quiet_NaN(),
                           -std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::denorm_min(),
                           -std::numeric_limits<float>::denorm_min(),
                           std::numeric_limits<float>::min(),
                           -0.0f};
  switch (below(random, 4)) {
    case 0: {  // a map edge
      const float edges[] = {0.0f,
                             -0.0f,
                             -0.25f,
                             -1.0f,
                             0.5f,
                             side - 1.0f,
                             side - 0.5f,
                             std::nextafter(static_cast<float>(side), 0.0f),
                             static_cast<float>(side),
                             side + 0.5f};
      return pick(random, edges);
    }
    case 1: {  // a terrain border, just before, on and after it
      const float border = static_cast<float>(borders[below(random, border_count)]);
      const float around[] = {border - 1.0f, std::nextafter(border, 0.0f), border, border + 0.5f};
      return pick(random, around);
    }
    case 2:
      return pick(random, far);
    default:  // anywhere on the map
      return static_cast<float>(random() % (static_cast<unsigned>(side) * 64)) / 64.0f;
  }
}

float special_x(Random& random) {
  const int borders[] = {small_map_water_from_x, small_map_rock_from_x};
  return special_coordinate(random, small_map_width, borders, 2);
}

float special_y(Random& random) {
  const int borders[] = {small_map_band_from_y, small_map_band_to_y};
  return special_coordinate(random, small_map_height, borders, 2);
}

int16_t pool_id(Random& random) {
  return below(random, 8) == 0 ? pick(random, rare_ids)
                               : static_cast<int16_t>(1 + below(random, 6));
}

uint8_t* message_at(uint8_t* data, int index) { return data + index * message_size; }

uint8_t* record_at(uint8_t* message, int index) {
  return message + snapshot_records_offset + unit_record_size * index;
}

// The records the client reads of this message.
int readable(const uint8_t* message) {
  return snapshot_readable_records(snapshot_count_byte(message));
}

// A record position the client reads, giving the message a record if it has none.
int some_record(Random& random, uint8_t* message) {
  if (readable(message) == 0) message[0] = static_cast<uint8_t>(1 + below(random, 4));
  return below(random, readable(message));
}

UnitRecord fresh_record(Random& random) {
  return UnitRecord{special_x(random),    special_y(random),   pick(random, headings),
                    pick(random, speeds), pick(random, types), pool_id(random)};
}

void change_record_field(Random& random, uint8_t* record) {
  UnitRecord unit = decode_unit_record(record);
  switch (below(random, 7)) {
    case 0:
      unit.x = special_x(random);
      break;
    case 1:
      unit.y = special_y(random);
      break;
    case 2:
      unit.heading = pick(random, headings);
      break;
    case 3:
      unit.speed = pick(random, speeds);
      break;
    case 4:
      unit.type = pick(random, types);
      break;
    case 5:
      unit.id = pool_id(random);
      break;
    default:  // a short move, as from one tick to the next
      unit.x += static_cast<float>(below(random, 33) - 16) / 4.0f;
      unit.y += static_cast<float>(below(random, 33) - 16) / 4.0f;
  }
  encode_unit_record(unit, record);
}

void change_script(Random& random, uint8_t* message) {
  switch (below(random, 6)) {
    case 0:
      message[1] = static_cast<uint8_t>(random());
      break;
    case 1:
      message[1] ^= static_cast<uint8_t>(1u << below(random, 8));
      break;
    case 2:
      message[2] = pick(random, clock_steps);
      break;
    case 3:
      message[3] = static_cast<uint8_t>(pick(random, selections));
      break;
    case 4: {
      const int16_t map_points[] = {0,
                                    -1,
                                    1,
                                    small_map_width - 1,
                                    small_map_width,
                                    small_map_height,
                                    small_map_water_from_x,
                                    320,
                                    32767,
                                    -32768};
      wire::write_u16(message + 4 + 2 * below(random, 2),
                      static_cast<uint16_t>(pick(random, map_points)));
      break;
    }
    default: {  // the keys, buttons and pointer held in this frame
      uint8_t* input = message + input_offset;
      switch (below(random, 4)) {
        case 0:
          input[0] ^= static_cast<uint8_t>(1u << below(random, 6));
          break;
        case 1:
          input[1] = static_cast<uint8_t>(below(random, 8));
          break;
        case 2:
          input[2] = static_cast<uint8_t>(below(random, 4));
          break;
        default:
          wire::write_u16(input + 3 + 2 * below(random, 2),
                          static_cast<uint16_t>(pick(random, window_points)));
      }
    }
  }
}

// Takes out record `index`, closing the gap: that unit leaves.
void remove_record(uint8_t* message, int index) {
  const int count = readable(message);
  std::memmove(record_at(message, index), record_at(message, index + 1),
               unit_record_size * (count - index - 1));
  std::memset(record_at(message, count - 1), 0, unit_record_size);
  message[0] = static_cast<uint8_t>(count - 1);
}

// One structured edit of a stream of `messages` whole messages; returns the new count.
int edit(Random& random, uint8_t* data, int messages, int max_messages, ByteMutator bytes) {
  const int m = below(random, messages);
  uint8_t* message = message_at(data, m);
  switch (below(random, 14)) {
    case 0:
      message[0] = static_cast<uint8_t>(pick(random, counts));
      break;
    case 1:
    case 2:
      change_record_field(random, record_at(message, some_record(random, message)));
      break;
    case 3:
      encode_unit_record(fresh_record(random), record_at(message, some_record(random, message)));
      break;
    case 4:
    case 5:
      change_script(random, message);
      break;
    case 6: {  // the same message again: every unit refreshed (or, with bit 0, replaced)
      if (messages == max_messages) break;
      std::memmove(message + message_size, message, (messages - m) * message_size);
      return messages + 1;
    }
    case 7: {  // the next tick: the same units a little further on
      if (messages == max_messages) break;
      std::memmove(message + message_size, message, (messages - m) * message_size);
      uint8_t* next = message + message_size;
      for (int r = 0; r < readable(next); ++r)
        if (below(random, 2)) change_record_field(random, record_at(next, r));
      return messages + 1;
    }
    case 8:
      if (messages == 1) break;
      std::memmove(message, message + message_size, (messages - m - 1) * message_size);
      return messages - 1;
    case 9: {
      const int other = below(random, messages);
      uint8_t swapped[message_size];
      std::memcpy(swapped, message, message_size);
      std::memcpy(message, message_at(data, other), message_size);
      std::memcpy(message_at(data, other), swapped, message_size);
      break;
    }
    case 10: {  // a unit of another message appears in this one too
      uint8_t* from = message_at(data, below(random, messages));
      if (readable(from) == 0) break;
      std::memcpy(record_at(message, some_record(random, message)),
                  record_at(from, below(random, readable(from))), unit_record_size);
      break;
    }
    case 11:
      if (readable(message) > 0) remove_record(message, below(random, readable(message)));
      break;
    case 12: {  // a newcomer at the end of the list
      const int count = readable(message);
      if (count == snapshot_max_records) break;
      encode_unit_record(fresh_record(random), record_at(message, count));
      message[0] = static_cast<uint8_t>(count + 1);
      break;
    }
    default:  // libFuzzer's mutations within one message, which keeps its length
      bytes(message, message_size, message_size);
  }
  return messages;
}

}  // namespace

std::size_t mutate_snapshot_stream(uint8_t* data, std::size_t size, std::size_t max_size,
                                   unsigned seed, ByteMutator bytes) {
  if (max_size < message_size) return bytes(data, size, max_size);
  Random random(seed);
  if (size < message_size) {
    std::memset(data + size, 0, message_size - size);
    size = message_size;
  }
  // A quarter of the time libFuzzer's own mutations run on the whole stream: they
  // follow the comparisons our code makes, which no list of values here foresees.
  if (below(random, 4) == 0) return bytes(data, size, max_size);
  int messages = static_cast<int>(size / message_size);
  const int max_messages = static_cast<int>(max_size / message_size);
  const int edits = 1 + below(random, 4);
  for (int i = 0; i < edits; ++i) messages = edit(random, data, messages, max_messages, bytes);
  return static_cast<std::size_t>(messages) * message_size;
}

std::size_t cross_snapshot_streams(const uint8_t* a, std::size_t a_size, const uint8_t* b,
                                   std::size_t b_size, uint8_t* out, std::size_t max_out,
                                   unsigned seed) {
  Random random(seed);
  const int a_messages = static_cast<int>(a_size / message_size);
  const int b_messages = static_cast<int>(b_size / message_size);
  const int max_messages = static_cast<int>(max_out / message_size);
  if (a_messages == 0 || b_messages == 0 || max_messages == 0) return 0;
  int written = 0;
  switch (below(random, 3)) {
    case 0: {  // a run of a's messages, then a run of b's
      const int from_a = 1 + below(random, a_messages);
      const int b_start = below(random, b_messages);
      for (int i = 0; i < from_a && written < max_messages; ++i)
        std::memcpy(message_at(out, written++), a + i * message_size, message_size);
      for (int i = b_start; i < b_messages && written < max_messages; ++i)
        std::memcpy(message_at(out, written++), b + i * message_size, message_size);
      break;
    }
    case 1:  // the two interleaved
      for (int i = 0; (i < a_messages || i < b_messages) && written < max_messages; ++i) {
        if (i < a_messages)
          std::memcpy(message_at(out, written++), a + i * message_size, message_size);
        if (i < b_messages && written < max_messages)
          std::memcpy(message_at(out, written++), b + i * message_size, message_size);
      }
      break;
    default: {  // a's messages, with some of b's records in place of theirs
      for (int i = 0; i < a_messages && written < max_messages; ++i) {
        uint8_t* message = message_at(out, written++);
        std::memcpy(message, a + i * message_size, message_size);
        const uint8_t* donor = b + below(random, b_messages) * message_size;
        const int records = std::min(readable(message), readable(donor));
        for (int r = 0; r < records; ++r)
          if (below(random, 2))
            std::memcpy(record_at(message, r),
                        donor + snapshot_records_offset + unit_record_size * r, unit_record_size);
      }
    }
  }
  return static_cast<std::size_t>(written) * message_size;
}
