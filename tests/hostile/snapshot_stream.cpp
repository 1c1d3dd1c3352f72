#include "snapshot_stream.h"

namespace test_support {

std::string snapshot_message(uint8_t count_byte, const std::vector<UnitRecord>& records,
                             unsigned char filler) {
  std::string message(snapshot_message_size, static_cast<char>(filler));
  message[0] = static_cast<char>(count_byte);
  unsigned char* bytes = reinterpret_cast<unsigned char*>(&message[0]);
  for (std::size_t i = 0; i < records.size() && i < snapshot_max_records; ++i)
    encode_unit_record(records[i], bytes + snapshot_records_offset + unit_record_size * i);
  return message;
}

std::string marker_message(int16_t id, uint8_t count_byte) {
  constexpr int16_t airplane = 2;
  std::vector<UnitRecord> records;
  for (int i = 0; i < snapshot_max_records; ++i) {
    const float at = i % 2 == 0 ? 100.0f : 900.0f;
    records.push_back(UnitRecord{at, at, 0, 0, airplane, id});
  }
  return snapshot_message(count_byte, records);
}

std::string marker_output(int count) {
  std::string output;
  for (int i = 0; i < count * marker_warnings; ++i) output += "HAXXOR DETEKTED!\n";
  return output;
}

std::size_t markers_in(const std::string& output) {
  const std::string block = marker_output(1);
  std::size_t found = 0;
  for (std::size_t at = output.find(block); at != std::string::npos;
       at = output.find(block, at + block.size()))
    ++found;
  return found;
}

std::string garbage_bytes(std::size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed ? seed : 1;
  for (char& byte : bytes) {
    // xorshift32: cheap, and the same stream on every run.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

}  // namespace test_support
