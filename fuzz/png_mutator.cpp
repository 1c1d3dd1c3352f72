#include "fuzz/png_mutator.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fuzz/png_file.h"

namespace {

using Random = std::minstd_rand;

const std::string signature("\x89PNG\r\n\x1a\n", 8);

// Every chunk type libpng knows, and a few it does not.
constexpr const char* chunk_types[] = {
    "IHDR", "PLTE", "IDAT", "IEND", "bKGD", "cHRM", "cICP", "eXIf", "gAMA", "hIST",
    "iCCP", "iTXt", "oFFs", "pCAL", "pHYs", "sBIT", "sCAL", "sPLT", "sRGB", "sTER",
    "tEXt", "tIME", "tRNS", "zTXt", "acTL", "fcTL", "fdAT", "prVt", "IDAX", "iend"};

struct Chunk {
  uint32_t declared_length = 0;  // what the length field says, true or not
  std::string type;              // four bytes
  std::string data;              // the bytes that follow, as many as the file holds
  uint32_t crc = 0;
  bool crc_sound = true;  // mended on writing while it holds
};

struct PngFile {
  bool has_signature = true;  // starts with the signature
  std::vector<Chunk> chunks;
  std::string tail;  // bytes after the last whole chunk header
};

uint32_t read_u32(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value = value << 8 | static_cast<unsigned char>(at + i < bytes.size() ? bytes[at + i] : 0);
  return value;
}

void append_u32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift);
}

// The file's chunks as its length fields cut it; a length past the end takes what is left.
PngFile parse(const uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  PngFile file;
  std::size_t at = 0;
  if (bytes.compare(0, signature.size(), signature) == 0)
    at = signature.size();
  else
    file.has_signature = false;
  while (at + 8 <= bytes.size()) {
    Chunk chunk;
    chunk.declared_length = read_u32(bytes, at);
    chunk.type = bytes.substr(at + 4, 4);
    const std::size_t start = at + 8;
    const std::size_t length = std::min<std::size_t>(chunk.declared_length, bytes.size() - start);
    chunk.data = bytes.substr(start, length);
    chunk.crc = read_u32(bytes, start + length);
    chunk.crc_sound = chunk.crc == png_crc32(chunk.type + chunk.data);
    file.chunks.push_back(chunk);
    at = start + length + 4;
  }
  if (at < bytes.size()) file.tail = bytes.substr(at);
  return file;
}

std::string serialise(const PngFile& file) {
  std::string out = file.has_signature ? signature : "";
  for (const Chunk& chunk : file.chunks) {
    append_u32(out, chunk.declared_length);
    out += chunk.type;
    out += chunk.data;
    append_u32(out, chunk.crc_sound ? png_crc32(chunk.type + chunk.data) : chunk.crc);
  }
  return out + file.tail;
}

int below(Random& random, std::size_t n) {
  return n == 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(n));
}

Chunk new_chunk(Random& random) {
  Chunk chunk;
  chunk.type = chunk_types[below(random, std::size(chunk_types))];
  chunk.data.resize(below(random, 17));
  for (char& c : chunk.data) c = static_cast<char>(random());
  chunk.declared_length = static_cast<uint32_t>(chunk.data.size());
  return chunk;
}

// A length that lies about the chunk's data, in the ways a damaged file does.
uint32_t lying_length(Random& random, const Chunk& chunk, std::size_t bytes_after) {
  const uint32_t size = static_cast<uint32_t>(chunk.data.size());
  const uint32_t after = static_cast<uint32_t>(bytes_after);
  const uint32_t lies[] = {
      size + 1, size - 1,   size + 4,   size + 12,  size + after, size + after + 1,
      0,        0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x7FFFFFF0,   static_cast<uint32_t>(random())};
  return lies[below(random, std::size(lies))];
}

void edit(PngFile& file, Random& random, std::size_t max_size, ByteMutator bytes) {
  auto& chunks = file.chunks;
  if (chunks.empty()) {
    chunks.push_back(new_chunk(random));
    return;
  }
  Chunk& chunk = chunks[below(random, chunks.size())];
  switch (below(random, 10)) {
    case 0: {
      std::size_t after = 0;
      for (auto it = chunks.rbegin(); &*it != &chunk; ++it) after += 12 + it->data.size();
      chunk.declared_length = lying_length(random, chunk, after);
      break;
    }
    case 1:
      if (random() % 2)
        chunk.type = chunk_types[below(random, std::size(chunk_types))];
      else
        chunk.type[below(random, 4)] ^= 0x20;  // critical and ancillary, public and private
      break;
    case 2:
      chunk.crc_sound = !chunk.crc_sound;
      if (!chunk.crc_sound) chunk.crc = static_cast<uint32_t>(random());
      break;
    case 3:
      std::swap(chunk, chunks[below(random, chunks.size())]);
      break;
    case 4: {
      const Chunk repeated = chunk;
      chunks.insert(chunks.begin() + below(random, chunks.size() + 1), repeated);
      break;
    }
    case 5:
      chunks.erase(chunks.begin() + below(random, chunks.size()));
      break;
    case 6:
      chunks.insert(chunks.begin() + below(random, chunks.size() + 1), new_chunk(random));
      break;
    case 7: {
      // The data mutated as bytes, its length and CRC kept true.
      std::string grown = chunk.data.empty() ? std::string(1, '\0') : chunk.data;
      const std::size_t held = grown.size();
      grown.resize(std::min<std::size_t>(max_size, held * 2 + 16));
      const std::size_t length = bytes(reinterpret_cast<uint8_t*>(&grown[0]), held, grown.size());
      grown.resize(length);
      chunk.data = grown;
      chunk.declared_length = static_cast<uint32_t>(length);
      break;
    }
    case 8:
      file.tail.clear();
      chunks.resize(below(random, chunks.size()) + 1);
      chunks.back().data.resize(below(random, chunks.back().data.size() + 1));
      break;
    default:
      // Mostly a file that starts as a PNG, now and then one that does not.
      file.has_signature = random() % 8 != 0;
      break;
  }
}

std::size_t write_out(const std::string& file, uint8_t* out, std::size_t max_size) {
  const std::size_t size = std::min(file.size(), max_size);
  std::memcpy(out, file.data(), size);
  return size;
}

}  // namespace

std::size_t mutate_png_file(uint8_t* data, std::size_t size, std::size_t max_size, unsigned seed,
                            ByteMutator bytes) {
  Random random(seed);
  if (random() % 4 == 0) return bytes(data, size, max_size);
  PngFile file = parse(data, size);
  const int edits = 1 + below(random, 3);
  for (int i = 0; i < edits; ++i) edit(file, random, max_size, bytes);
  std::string written = serialise(file);
  // Now and then cut anywhere, not only between chunks.
  if (random() % 8 == 0) written.resize(below(random, written.size() + 1));
  return write_out(written, data, max_size);
}

std::size_t cross_png_files(const uint8_t* a, std::size_t a_size, const uint8_t* b,
                            std::size_t b_size, uint8_t* out, std::size_t max_out, unsigned seed) {
  Random random(seed);
  PngFile first = parse(a, a_size);
  const PngFile second = parse(b, b_size);
  first.chunks.resize(below(random, first.chunks.size() + 1));
  const std::size_t from = below(random, second.chunks.size() + 1);
  first.chunks.insert(first.chunks.end(), second.chunks.begin() + from, second.chunks.end());
  first.tail = second.tail;
  return write_out(serialise(first), out, max_out);
}
