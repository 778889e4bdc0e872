#include "tools/payload/payload_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "package/crc32.h"
#include "sim/firmware_header.h"

namespace solvane {
namespace {

const std::map<uint32_t, size_t> kSizes = {{169, 3580492}, {170, 475388}, {171, 768064},
                                           {172, 496448},  {173, 505152}, {174, 122152},
                                           {189, 32256},   {190, 280280}, {191, 916}};

// The images are cached: every test reads the same nine, and generating is not free.
const std::vector<uint8_t>& Image(uint32_t id) {
  static std::map<uint32_t, std::vector<uint8_t>> cache;
  auto [it, added] = cache.try_emplace(id);
  if (added) {
    it->second = GenerateImage(id);
  }
  return it->second;
}

TEST(GeneratedImagesTest, HaveTheDecodedSizesOfTheProgram) {
  for (const auto& [id, size] : kSizes) {
    EXPECT_EQ(Image(id).size(), size) << "image " << id;
  }
  EXPECT_TRUE(GenerateImage(0).empty());
  EXPECT_TRUE(GenerateImage(175).empty());
  EXPECT_TRUE(GenerateImage(192).empty());
}

TEST(GeneratedImagesTest, CodeImagesCarryTheHeaderTheWriterReads) {
  struct Expected {
    uint32_t id;
    uint32_t component;
    uint32_t versionWord;
    uint32_t build;
  };
  for (const Expected& e : {Expected{169, FirmwareHeader::kApplication, 0x02000000, 35675},
                            Expected{170, FirmwareHeader::kBoot, 0x01000000, 35673}}) {
    const std::vector<uint8_t>& image = Image(e.id);
    const std::optional<FirmwareHeader> header = FirmwareHeader::Parse(image.data(), image.size());
    ASSERT_TRUE(header.has_value()) << "image " << e.id;
    EXPECT_EQ(header->component, e.component);
    EXPECT_EQ(header->versionWord, e.versionWord);
    EXPECT_EQ(header->build, e.build);
    EXPECT_EQ(header->imageLength, image.size());
  }
}

TEST(GeneratedImagesTest, XLoaderHasItsHeaderAndVersionText) {
  const std::vector<uint8_t>& image = Image(189);
  EXPECT_EQ(LoadLe32(image.data()), 32248u);
  EXPECT_EQ(LoadLe32(image.data() + 4), 0x40200800u);
  // The version text runs from the first marker to the next NUL.
  const std::string marker = "X-Loader ";
  const auto at = std::search(image.begin(), image.end(), marker.begin(), marker.end());
  ASSERT_NE(at, image.end());
  const auto nul = std::find(at, image.end(), 0);
  EXPECT_EQ(std::string(at, nul), "X-Loader 6.00 (");
}

TEST(GeneratedImagesTest, WifiImagesCountTheBytesBehindTheirFirstWord) {
  for (uint32_t id : {190u, 191u}) {
    const std::vector<uint8_t>& image = Image(id);
    EXPECT_EQ(LoadLe32(image.data()), image.size() - 4) << "image " << id;
  }
}

TEST(GeneratedImagesTest, LookLikeContentNotFillOrNoise) {
  for (const auto& [id, size] : kSizes) {
    const std::vector<uint8_t>& image = Image(id);
    size_t histogram[256] = {};
    for (uint8_t b : image) {
      ++histogram[b];
    }
    const size_t commonest = *std::max_element(std::begin(histogram), std::end(histogram));
    const size_t used = static_cast<size_t>(
        std::count_if(std::begin(histogram), std::end(histogram), [](size_t n) { return n > 0; }));
    EXPECT_LT(commonest, size * 9 / 10) << "image " << id << " is mostly one byte";
    EXPECT_GT(used, 16u) << "image " << id;
  }
}

// Pinned registers: the same images on every compiler and library, so the
// simulated writer and the embedded containers always agree.
TEST(GeneratedImagesTest, AreTheSameOnEveryBuild) {
  for (const auto& [id, size] : kSizes) {
    EXPECT_EQ(GenerateImage(id), Image(id)) << "image " << id;
  }
  const std::map<uint32_t, uint32_t> kRegisters = {
      {169, 0xBDA6D7BB}, {170, 0x3B8B3D56}, {171, 0x3B237CA2}, {172, 0x5F46E7F7}, {173, 0xD7E0BAEF},
      {174, 0x0D8E1012}, {189, 0xE85B901B}, {190, 0xFD179F70}, {191, 0x2596F1DB}};
  for (const auto& [id, expected] : kRegisters) {
    const std::vector<uint8_t>& image = Image(id);
    EXPECT_EQ(Crc32Of(image.data(), image.size()), expected) << "image " << id;
  }
}

}  // namespace
}  // namespace solvane
