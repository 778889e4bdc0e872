#include <gtest/gtest.h>

#include <string>

#include "package/arithmetic_compression.h"
#include "tests/lzari/sample_data.h"
#include "tools/lzari/lzari_encoder.h"
#include "tools/lzari/lzari_reference_decoder.h"

namespace solvane {
namespace {

using testing::CodeLikeBytes;
using testing::RandomBytes;

constexpr uint32_t kSlack = 59;

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

std::vector<uint8_t> Repeat(uint8_t byte, size_t count) {
  return std::vector<uint8_t>(count, byte);
}

// Decodes with the product decoder into a buffer with exactly the slack it may
// use; the returned bytes are the ones Decode reported writing.
std::vector<uint8_t> ProductDecode(const std::vector<uint8_t>& stream, uint32_t decodedLength) {
  std::vector<uint8_t> out(decodedLength + kSlack);
  CArithmeticCompression decoder;
  const uint32_t count = decoder.Decode(stream.data(), static_cast<uint32_t>(stream.size()),
                                        out.data(), decodedLength);
  EXPECT_GE(count, decodedLength);
  EXPECT_LE(count, decodedLength + kSlack);
  out.resize(count);
  return out;
}

// Every case goes both ways: the encoder's stream decodes with the classic
// decoder, and the product decoder agrees with the classic one byte for byte.
void ExpectRoundTrip(const std::vector<uint8_t>& data) {
  const std::vector<uint8_t> stream = LzariEncode(data);
  const auto length = static_cast<uint32_t>(data.size());
  const std::vector<uint8_t> reference = LzariReferenceDecode(stream, length);
  ASSERT_GE(reference.size(), data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), reference.begin()));
  if (length == 0)
    return;
  EXPECT_EQ(ProductDecode(stream, length), reference);
}

TEST(LzariRoundTrip, TinyInputs) {
  ExpectRoundTrip({});
  ExpectRoundTrip({0x00});
  ExpectRoundTrip({0xFF});
  ExpectRoundTrip(Bytes("ab"));
  ExpectRoundTrip(Bytes("abc"));
  ExpectRoundTrip(Bytes("abcabcabcabc"));
}

TEST(LzariRoundTrip, RunsRepeatTheLastByteWithDistanceOne) {
  ExpectRoundTrip(Repeat('x', 61));
  ExpectRoundTrip(Repeat(0x00, 100000));
  std::vector<uint8_t> mixed;
  for (int i = 0; i < 200; i++) {
    const auto run = Repeat(static_cast<uint8_t>(i * 37), static_cast<size_t>(i % 70 + 1));
    mixed.insert(mixed.end(), run.begin(), run.end());
  }
  ExpectRoundTrip(mixed);
}

TEST(LzariRoundTrip, LeadingBlanksCopyFromTheInitialRing) {
  ExpectRoundTrip(Repeat(' ', 1));
  ExpectRoundTrip(Repeat(' ', 3));
  ExpectRoundTrip(Repeat(' ', 5000));
  ExpectRoundTrip(Bytes("        int main() {\n            return 0;\n        }\n"));
}

TEST(LzariRoundTrip, RandomData) {
  for (size_t size : {1u, 59u, 60u, 61u, 4095u, 4096u, 4097u, 70000u})
    ExpectRoundTrip(RandomBytes(size, static_cast<uint32_t>(size)));
}

TEST(LzariRoundTrip, CodeLikeDataAcrossFrequencyHalvings) {
  // Long enough for the symbol total to reach 0x7FFF many times over.
  ExpectRoundTrip(CodeLikeBytes(300000, 1));
  ExpectRoundTrip(CodeLikeBytes(8191, 2));
}

TEST(LzariRoundTrip, SkewedLiteralsHalveAndReorderTheModel) {
  // Mostly one byte with rare others: one symbol's frequency dominates the
  // total, so halvings happen while the symbol order keeps changing.
  std::vector<uint8_t> data = RandomBytes(120000, 7);
  for (size_t i = 0; i < data.size(); i++) {
    if (data[i] % 8 != 0)
      data[i] = static_cast<uint8_t>(i % 3 == 0 ? 'A' : data[i] % 16);
  }
  ExpectRoundTrip(data);
}

TEST(LzariRoundTrip, EncoderCompressesRedundantData) {
  const auto data = CodeLikeBytes(100000, 3);
  EXPECT_LT(LzariEncode(data).size(), data.size() * 2 / 3);
  // 60-byte matches of distance 1 at about 10 bits each.
  EXPECT_LT(LzariEncode(Repeat(0, 100000)).size(), 2500u);
}

TEST(LzariRoundTrip, ContainerHeadsTheStreamWithTheLittleEndianLength) {
  const auto data = CodeLikeBytes(0x012345, 4);
  const auto container = PackImageContainer(data);
  const auto stream = LzariEncode(data);
  ASSERT_EQ(container.size(), stream.size() + 4);
  EXPECT_EQ(container[0], 0x45);
  EXPECT_EQ(container[1], 0x23);
  EXPECT_EQ(container[2], 0x01);
  EXPECT_EQ(container[3], 0x00);
  EXPECT_TRUE(std::equal(stream.begin(), stream.end(), container.begin() + 4));
  EXPECT_EQ(PackImageContainer({}), (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace solvane
