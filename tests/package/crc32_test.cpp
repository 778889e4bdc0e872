#include "package/crc32.h"

#include <gtest/gtest.h>

#include <vector>

namespace solvane {
namespace {

// The classic one-byte-per-step register update.
uint32_t BytewiseCrc(const std::vector<uint8_t>& data, uint32_t crc = 0xFFFFFFFF) {
  for (uint8_t b : data) {
    crc ^= b;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
  }
  return crc;
}

TEST(Crc32, NoBytesLeavesTheStartValue) {
  EXPECT_EQ(Crc32().Value(), 0xFFFFFFFFu);
  EXPECT_EQ(Crc32Of(nullptr, 0), 0xFFFFFFFFu);
}

TEST(Crc32, CheckValueIsTheComplementOfTheCommonCrc) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc32Of(digits, sizeof(digits)), 0x340BC6D9u);
  EXPECT_EQ(~Crc32Of(digits, sizeof(digits)), 0xCBF43926u);
}

TEST(Crc32, SlicedUpdateMatchesBytewiseAtEveryLengthAndAlignment) {
  std::vector<uint8_t> data(300);
  uint32_t seed = 12345;
  for (uint8_t& b : data) {
    seed = seed * 1103515245 + 12345;
    b = static_cast<uint8_t>(seed >> 16);
  }
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t length = 0; length + offset <= 40; ++length) {
      std::vector<uint8_t> part(data.begin() + offset, data.begin() + offset + length);
      EXPECT_EQ(Crc32Of(data.data() + offset, length), BytewiseCrc(part));
    }
  }
  EXPECT_EQ(Crc32Of(data.data(), data.size()), BytewiseCrc(data));
}

TEST(Crc32, ByteUpdatesAndBufferUpdatesCompose) {
  std::vector<uint8_t> data = {0x00, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
  Crc32 crc;
  crc.Update(data[0]);
  crc.Update(data.data() + 1, 9);
  crc.Update(data[10]);
  EXPECT_EQ(crc.Value(), BytewiseCrc(data));
  Crc32 fromZero(0);
  fromZero.Update(data.data(), data.size());
  EXPECT_EQ(fromZero.Value(), BytewiseCrc(data, 0));
}

}  // namespace
}  // namespace solvane
