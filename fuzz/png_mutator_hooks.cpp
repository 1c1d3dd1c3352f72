// libFuzzer's hooks for the chunk-aware PNG mutations.
#include <cstddef>
#include <cstdint>

#include "fuzz/png_mutator.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size,
                                          unsigned int seed) {
  return mutate_png_file(data, size, max_size, seed, LLVMFuzzerMutate);
}

extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t* a, size_t a_size, const uint8_t* b,
                                            size_t b_size, uint8_t* out, size_t max_out,
                                            unsigned int seed) {
  return cross_png_files(a, a_size, b, b_size, out, max_out, seed);
}
