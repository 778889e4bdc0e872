#include "package/crc32.h"

#include <array>

namespace solvane {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;

// table[0] is the classic byte table; table[k][i] advances the register of
// table[0][i] by k more zero bytes, so eight bytes fold in one step.
using SlicingTables = std::array<std::array<uint32_t, 256>, 8>;

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

}  // namespace

void Crc32::Update(uint8_t byte) {
  register_ = (register_ >> 8) ^ kTables[0][(register_ ^ byte) & 0xFF];
}

void Crc32::Update(const uint8_t* data, size_t size) {
  uint32_t crc = register_;
  while (size >= 8) {
    uint32_t low = crc ^ (uint32_t{data[0]} | uint32_t{data[1]} << 8 | uint32_t{data[2]} << 16 |
                          uint32_t{data[3]} << 24);
    uint32_t high = uint32_t{data[4]} | uint32_t{data[5]} << 8 | uint32_t{data[6]} << 16 |
                    uint32_t{data[7]} << 24;
    crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
          kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
          kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
    data += 8;
    size -= 8;
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
