#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "package/arithmetic_compression.h"
#include "tests/lzari/sample_data.h"
#include "tools/lzari/lzari_encoder.h"
#include "tools/lzari/lzari_reference_decoder.h"

namespace solvane {
namespace {

using testing::CodeLikeBytes;
using testing::RandomBytes;

constexpr uint32_t kSlack = 59;
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;

struct Decoded {
  uint32_t count = 0;
  std::vector<uint8_t> bytes;  // the `count` bytes written
};

// Decodes from an exactly sized heap copy of `stream`, so that the sanitizer
// build catches any read past its end, into a guard-filled buffer; fails the
// test when anything past decodedLength + 59 changed.
Decoded GuardedDecode(CArithmeticCompression& decoder,
                      const std::vector<uint8_t>& stream,
                      uint32_t decodedLength) {
  auto input = std::make_unique<uint8_t[]>(stream.size());
  std::copy(stream.begin(), stream.end(), input.get());
  std::vector<uint8_t> out(decodedLength + kSlack + kGuardBytes, kGuard);
  Decoded result;
  result.count =
      decoder.Decode(input.get(), static_cast<uint32_t>(stream.size()), out.data(), decodedLength);
  EXPECT_GE(result.count, decodedLength);
  EXPECT_LE(result.count, decodedLength + kSlack);
  for (size_t i = result.count; i < out.size(); i++) {
    if (out[i] != kGuard) {
      ADD_FAILURE() << "byte " << i << " written past the count " << result.count;
      break;
    }
  }
  result.bytes.assign(out.begin(), out.begin() + result.count);
  return result;
}

Decoded GuardedDecode(const std::vector<uint8_t>& stream, uint32_t decodedLength) {
  CArithmeticCompression decoder;
  return GuardedDecode(decoder, stream, decodedLength);
}

TEST(LzariDecodeArguments, NullOrZeroDecodesNothing) {
  const std::vector<uint8_t> stream = LzariEncode(CodeLikeBytes(100, 1));
  std::vector<uint8_t> out(200, kGuard);
  CArithmeticCompression decoder;
  const auto size = static_cast<uint32_t>(stream.size());
  EXPECT_EQ(decoder.Decode(nullptr, size, out.data(), 100), 0u);
  EXPECT_EQ(decoder.Decode(stream.data(), size, nullptr, 100), 0u);
  EXPECT_EQ(decoder.Decode(stream.data(), 0, out.data(), 100), 0u);
  EXPECT_EQ(decoder.Decode(stream.data(), size, out.data(), 0), 0u);
  EXPECT_EQ(out, std::vector<uint8_t>(200, kGuard));
}

TEST(LzariDecodeOverrun, AMatchThatCrossesTheLengthIsCopiedWhole) {
  // A literal, then one match of distance 1 and length 60.
  const std::vector<uint8_t> run(61, 'x');
  const Decoded decoded = GuardedDecode(LzariEncode(run), 2);
  EXPECT_EQ(decoded.count, 61u);
  EXPECT_EQ(decoded.bytes, run);
}

TEST(LzariDecodeOverrun, TheFirstMatchCopiesTheInitialBlanks) {
  const std::vector<uint8_t> blanks(50, ' ');
  const Decoded decoded = GuardedDecode(LzariEncode(blanks), 1);
  EXPECT_EQ(decoded.count, 50u);
  EXPECT_EQ(decoded.bytes, blanks);
}

TEST(LzariDecodeOverrun, ShorterLengthsDecodeAPrefixLikeTheClassicDecoder) {
  const std::vector<uint8_t> data = CodeLikeBytes(20000, 2);
  const std::vector<uint8_t> stream = LzariEncode(data);
  int overruns = 0;
  for (uint32_t length = 1; length < data.size(); length += 97) {
    const Decoded decoded = GuardedDecode(stream, length);
    ASSERT_EQ(decoded.bytes, LzariReferenceDecode(stream, length)) << length;
    EXPECT_TRUE(std::equal(decoded.bytes.begin(), decoded.bytes.end(), data.begin()));
    overruns += decoded.count > length;
  }
  EXPECT_GT(overruns, 0);
}

TEST(LzariDecodeEndOfStream, BitsPastTheEndDoNotChangeTheOutput) {
  for (const auto& data : {CodeLikeBytes(5000, 3), RandomBytes(3000, 4),
                           std::vector<uint8_t>(7000, 0), std::vector<uint8_t>{42}}) {
    const std::vector<uint8_t> stream = LzariEncode(data);
    const auto length = static_cast<uint32_t>(data.size());
    const std::vector<uint8_t> ones = LzariReferenceDecode(stream, length, 1);
    EXPECT_EQ(LzariReferenceDecode(stream, length, 0), ones);
    EXPECT_EQ(GuardedDecode(stream, length).bytes, ones);
  }
}

// Damaged streams decode to wrong bytes, but to the same wrong bytes as the
// classic decoder fed zeros past the end, and always within the bounds.
TEST(LzariDecodeDamaged, TruncatedStreamsStayInBounds) {
  const std::vector<uint8_t> data = CodeLikeBytes(30000, 5);
  const std::vector<uint8_t> stream = LzariEncode(data);
  const auto length = static_cast<uint32_t>(data.size());
  for (size_t size = 1; size < stream.size(); size = size * 3 / 2 + 1) {
    const std::vector<uint8_t> cut(stream.begin(), stream.begin() + size);
    EXPECT_EQ(GuardedDecode(cut, length).bytes, LzariReferenceDecode(cut, length, 0)) << size;
  }
}

TEST(LzariDecodeDamaged, CorruptedStreamsStayInBounds) {
  const std::vector<uint8_t> stream = LzariEncode(CodeLikeBytes(20000, 6));
  std::mt19937 random(6);
  for (int trial = 0; trial < 40; trial++) {
    std::vector<uint8_t> damaged = stream;
    for (int flips = 0; flips < 1 + trial % 5; flips++)
      damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
    EXPECT_EQ(GuardedDecode(damaged, 20000).bytes, LzariReferenceDecode(damaged, 20000, 0))
        << trial;
  }
  // Damaged early in a long stream, decoding runs on through many halvings of
  // a model that the damage keeps stirring.
  std::vector<uint8_t> longStream = LzariEncode(CodeLikeBytes(300000, 7));
  for (size_t at : {100u, 2000u, 30000u})
    longStream[at] ^= 0x5A;
  EXPECT_EQ(GuardedDecode(longStream, 300000).bytes, LzariReferenceDecode(longStream, 300000, 0));
}

TEST(LzariDecodeDamaged, ArbitraryBytesStayInBounds) {
  for (uint32_t seed = 0; seed < 30; seed++) {
    const std::vector<uint8_t> noise = RandomBytes(1 + seed * 37, seed);
    const uint32_t length = 1 + seed * 1000;
    EXPECT_EQ(GuardedDecode(noise, length).bytes, LzariReferenceDecode(noise, length, 0)) << seed;
  }
  for (uint8_t fill : {0x00, 0xFF}) {
    const std::vector<uint8_t> flat(64, fill);
    EXPECT_EQ(GuardedDecode(flat, 50000).bytes, LzariReferenceDecode(flat, 50000, 0));
  }
}

TEST(LzariDecodeState, EachDecodeStartsAfresh) {
  const std::vector<uint8_t> first = CodeLikeBytes(40000, 7);
  const std::vector<uint8_t> second = RandomBytes(5000, 8);
  CArithmeticCompression decoder;
  const std::vector<uint8_t> noise = RandomBytes(500, 9);
  GuardedDecode(decoder, noise, 9000);
  EXPECT_EQ(GuardedDecode(decoder, LzariEncode(first), 40000).bytes, first);
  EXPECT_EQ(GuardedDecode(decoder, LzariEncode(second), 5000).bytes, second);
  EXPECT_EQ(GuardedDecode(decoder, LzariEncode(first), 40000).bytes, first);
}

}  // namespace
}  // namespace solvane
