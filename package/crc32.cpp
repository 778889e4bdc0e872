#include "package/crc32.h"

#include <array>

#include "platform/little_endian.h"

namespace solvane {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;

// table[0] is the classic byte table; table[k][i] advances the register of
// table[0][i] by k more zero bytes, so sixteen bytes fold in one step.
using SlicingTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr SlicingTables MakeTables() {
  SlicingTables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 1) != 0 ? (c >> 1) ^ kPolynomial : c >> 1;
    }
    tables[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i) {
    for (size_t k = 1; k < tables.size(); ++k) {
      uint32_t previous = tables[k - 1][i];
      tables[k][i] = (previous >> 8) ^ tables[0][previous & 0xFF];
    }
  }
  return tables;
}

// Built at compile time: there is no first-use race to worry about.
constexpr SlicingTables kTables = MakeTables();

// The contribution of four bytes that still have `zeros` + 3..0 bytes to pass.
uint32_t Fold(uint32_t word, int zeros) {
  return kTables[zeros + 3][word & 0xFF] ^ kTables[zeros + 2][(word >> 8) & 0xFF] ^
         kTables[zeros + 1][(word >> 16) & 0xFF] ^ kTables[zeros][word >> 24];
}

}  // namespace

void Crc32::Update(uint8_t byte) {
  register_ = (register_ >> 8) ^ kTables[0][(register_ ^ byte) & 0xFF];
}

void Crc32::Update(const uint8_t* data, size_t size) {
  uint32_t crc = register_;
  while (size >= 16) {
    uint32_t word0 = crc ^ LoadLe32(data);
    uint32_t word1 = LoadLe32(data + 4);
    uint32_t word2 = LoadLe32(data + 8);
    uint32_t word3 = LoadLe32(data + 12);
    crc = Fold(word0, 12) ^ Fold(word1, 8) ^ Fold(word2, 4) ^ Fold(word3, 0);
    data += 16;
    size -= 16;
  }
  while (size-- > 0) {
    crc = (crc >> 8) ^ kTables[0][(crc ^ *data++) & 0xFF];
  }
  register_ = crc;
}

uint32_t Crc32Of(const uint8_t* data, size_t size) {
  Crc32 crc;
  crc.Update(data, size);
  return crc.Value();
}

}  // namespace solvane
