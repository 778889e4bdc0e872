#include "package/embedded_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "package/arithmetic_compression.h"
#include "package/crc32.h"
#include "platform/little_endian.h"
#include "tools/lzari/lzari_encoder.h"

namespace solvane {
namespace {

class MemoryResourceSource final : public ResourceSource {
 public:
  void Add(uint32_t id, std::vector<uint8_t> bytes) { resources_[id] = std::move(bytes); }
  std::optional<std::span<const uint8_t>> Find(uint32_t id) const override {
    const auto it = resources_.find(id);
    if (it == resources_.end()) {
      return std::nullopt;
    }
    return std::span<const uint8_t>(it->second);
  }
  void Record(ImageDigest digest) { digests_.push_back(digest); }
  std::optional<ImageDigest> Digest(uint32_t id) const override {
    return FindImageDigest(digests_, id);
  }

 private:
  std::map<uint32_t, std::vector<uint8_t>> resources_;
  std::vector<ImageDigest> digests_;
};

uint32_t DecodeCount(const std::vector<uint8_t>& container) {
  std::vector<uint8_t> out(LoadLe32(container.data()) + kImageSlack);
  CArithmeticCompression decoder;
  return decoder.Decode(container.data() + 4, static_cast<uint32_t>(container.size() - 4),
                        out.data(), LoadLe32(container.data()));
}

std::vector<uint8_t> Container(uint32_t decodedLength, const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> container(4 + stream.size());
  for (int i = 0; i < 4; ++i) {
    container[i] = static_cast<uint8_t>(decodedLength >> (8 * i));
  }
  std::copy(stream.begin(), stream.end(), container.begin() + 4);
  return container;
}

TEST(EmbeddedImageTest, DecodesAContainerToItsBytes) {
  std::vector<uint8_t> raw;
  for (int i = 0; i < 5000; ++i) {
    raw.push_back(static_cast<uint8_t>(i * i % 251));
  }
  MemoryResourceSource resources;
  resources.Add(170, PackImageContainer(raw));
  resources.Record({170, static_cast<uint32_t>(raw.size()), Crc32Of(raw.data(), raw.size())});
  EmbeddedImage image;
  ASSERT_EQ(LoadEmbeddedImage(resources, 170, kImageSlack, image), ImageLoadStatus::kOk);
  ASSERT_EQ(image.length, raw.size());
  EXPECT_EQ(std::vector<uint8_t>(image.data.get(), image.data.get() + image.length), raw);
}

TEST(EmbeddedImageTest, SlackIs1024BehindTheApplicationImageAnd256BehindTheOthers) {
  EXPECT_EQ(kApplicationImageSlack, 1024u);
  EXPECT_EQ(kImageSlack, 256u);
}

TEST(EmbeddedImageTest, RefusesMissingShortAndUnholdableResources) {
  MemoryResourceSource resources;
  resources.Add(1, {});
  resources.Add(2, {0x10, 0x00, 0x00});
  // A length that wraps 32 bits once the slack is added.
  resources.Add(3, Container(0xFFFFFF01, {0x00, 0x00}));
  resources.Add(4, Container(0xFFFFFC01, {0x00, 0x00}));
  EmbeddedImage image;
  EXPECT_EQ(LoadEmbeddedImage(resources, 99, kImageSlack, image), ImageLoadStatus::kNotFound);
  EXPECT_EQ(LoadEmbeddedImage(resources, 1, kImageSlack, image), ImageLoadStatus::kNotLoadable);
  EXPECT_EQ(LoadEmbeddedImage(resources, 2, kImageSlack, image), ImageLoadStatus::kNotLoadable);
  EXPECT_EQ(LoadEmbeddedImage(resources, 3, kImageSlack, image), ImageLoadStatus::kNotLoadable);
  EXPECT_EQ(LoadEmbeddedImage(resources, 4, kApplicationImageSlack, image),
            ImageLoadStatus::kNotLoadable);
  EXPECT_EQ(image.data, nullptr);
  EXPECT_EQ(image.length, 0u);
}

TEST(EmbeddedImageTest, CapsTheLengthWhenTheStreamRunsPastIt) {
  // Blanks decode as one long match from the blank-filled window; a length field
  // smaller than the stream's content makes the match overrun it.
  const std::vector<uint8_t> packed = PackImageContainer(std::vector<uint8_t>(200, ' '));
  const std::vector<uint8_t> stream(packed.begin() + 4, packed.end());
  constexpr uint32_t kDamagedLength = 10;
  uint8_t scratch[kDamagedLength + kImageSlack];
  CArithmeticCompression decoder;
  ASSERT_GT(
      decoder.Decode(stream.data(), static_cast<uint32_t>(stream.size()), scratch, kDamagedLength),
      kDamagedLength);

  // The build records the count the stream decodes to, past its length word.
  const uint32_t count = DecodeCount(Container(kDamagedLength, stream));
  const std::vector<uint8_t> blanks(count, ' ');
  MemoryResourceSource resources;
  resources.Add(191, Container(kDamagedLength, stream));
  resources.Record({191, count, Crc32Of(blanks.data(), count)});
  EmbeddedImage image;
  ASSERT_EQ(LoadEmbeddedImage(resources, 191, kImageSlack, image), ImageLoadStatus::kOk);
  EXPECT_EQ(image.length, kDamagedLength);
  EXPECT_EQ(image.data[0], ' ');
}

// One byte of the stream changed (xor 0x55) such that it still decodes to as
// many bytes as before: only the record can tell.
std::vector<uint8_t> FlippedKeepingTheCount(std::vector<uint8_t> container) {
  const uint32_t count = DecodeCount(container);
  for (size_t at = container.size() - 1; at >= 4; --at) {
    container[at] ^= 0x55;
    if (DecodeCount(container) == count) {
      return container;
    }
    container[at] ^= 0x55;
  }
  ADD_FAILURE() << "no byte of the stream keeps the count when flipped";
  return container;
}

TEST(EmbeddedImageTest, LoadsOnlyWhatTheBuildRecorded) {
  // "123456789" has the CRC register 0x340BC6D9.
  const std::string digits = "123456789";
  const std::vector<uint8_t> intact =
      PackImageContainer(std::span(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()));
  const std::vector<uint8_t> flipped = FlippedKeepingTheCount(intact);
  struct Case {
    const char* what;
    const std::vector<uint8_t>& container;
    ImageDigest record;
    ImageLoadStatus expected;
  };
  const Case cases[] = {
      {"as recorded", intact, {189, 9, 0x340BC6D9}, ImageLoadStatus::kOk},
      {"a wrong length", intact, {189, 10, 0x340BC6D9}, ImageLoadStatus::kDamaged},
      {"a wrong CRC", intact, {189, 9, 0x340BC6D8}, ImageLoadStatus::kDamaged},
      {"another image's record", intact, {190, 9, 0x340BC6D9}, ImageLoadStatus::kDamaged},
      {"a flipped byte", flipped, {189, 9, 0x340BC6D9}, ImageLoadStatus::kDamaged},
  };
  for (const Case& c : cases) {
    MemoryResourceSource resources;
    resources.Add(189, c.container);
    resources.Record(c.record);
    EmbeddedImage image;
    EXPECT_EQ(LoadEmbeddedImage(resources, 189, kImageSlack, image), c.expected) << c.what;
    EXPECT_EQ(image.data != nullptr, c.expected == ImageLoadStatus::kOk) << c.what;
  }
  EXPECT_EQ(DecodeCount(flipped), 9u);
  EXPECT_NE(flipped, intact);
}

}  // namespace
}  // namespace solvane
