#include "tests/lzari/sample_data.h"

#include <random>

namespace solvane::testing {

std::vector<uint8_t> RandomBytes(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(size);
  for (auto& byte : bytes)
    byte = static_cast<uint8_t>(random());
  return bytes;
}

std::vector<uint8_t> CodeLikeBytes(std::size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> idioms(64);
  for (auto& word : idioms)
    word = 0xE0000000u | (random() & 0x0FFF00FFu);
  std::vector<uint8_t> bytes;
  bytes.reserve(size + 4);
  while (bytes.size() < size) {
    uint32_t word = idioms[random() % idioms.size()];
    if (random() % 4 == 0)
      word ^= random() & 0x00000FFFu;
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<uint8_t>(word >> shift));
  }
  bytes.resize(size);
  return bytes;
}

}  // namespace solvane::testing
