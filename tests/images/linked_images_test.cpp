#include "package/posix/linked_resource_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "package/arithmetic_compression.h"
#include "package/embedded_image.h"
#include "package/intel_hex.h"
#include "package/posix/linked_images.h"
#include "platform/little_endian.h"

namespace solvane {
namespace {

const std::map<uint32_t, uint32_t> kDecodedSizes = {{169, 3580492}, {170, 475388}, {171, 768064},
                                                    {172, 496448},  {173, 505152}, {174, 122152},
                                                    {189, 32256},   {190, 280280}, {191, 916}};

uint32_t LengthField(std::span<const uint8_t> container) {
  return LoadLe32(container.data());
}

EmbeddedImage Load(uint32_t id) {
  EmbeddedImage image;
  EXPECT_EQ(LoadEmbeddedImage(LinkedResourceSource(), id, kApplicationImageSlack, image),
            ImageLoadStatus::kOk);
  return image;
}

TEST(LinkedImagesTest, EveryImageDecodesToExactlyItsLength) {
  ASSERT_EQ(LinkedImages().size(), kDecodedSizes.size());
  const LinkedResourceSource resources;
  CArithmeticCompression decoder;
  for (const auto& [id, size] : kDecodedSizes) {
    const std::optional<std::span<const uint8_t>> container = resources.Find(id);
    ASSERT_TRUE(container.has_value()) << "image " << id;
    ASSERT_GE(container->size(), 4u);
    EXPECT_EQ(LengthField(*container), size) << "image " << id;
    std::vector<uint8_t> out(size + kApplicationImageSlack);
    EXPECT_EQ(decoder.Decode(container->data() + 4, static_cast<uint32_t>(container->size() - 4),
                             out.data(), size),
              size)
        << "image " << id << " overruns";
  }
  EXPECT_FALSE(resources.Find(175).has_value());
}

TEST(LinkedImagesTest, CompressToAboutHalf) {
  uint64_t stored = 0;
  uint64_t decoded = 0;
  for (const LinkedImage& image : LinkedImages()) {
    stored += image.container.size();
    decoded += LengthField(image.container);
    EXPECT_LT(image.container.size(), LengthField(image.container) * 4 / 5) << "image " << image.id;
  }
  EXPECT_GT(stored * 100, decoded * 30);
  EXPECT_LT(stored * 100, decoded * 65);
}

TEST(LinkedImagesTest, CarryWhatTheProceduresLookFor) {
  const EmbeddedImage xLoader = Load(189);
  const std::string text(xLoader.data.get(), xLoader.data.get() + xLoader.length);
  const size_t marker = text.find("X-Loader ");
  ASSERT_NE(marker, std::string::npos);
  EXPECT_EQ(text.c_str() + marker, std::string("X-Loader 6.00 ("));

  for (uint32_t id : {190u, 191u}) {
    const EmbeddedImage wifi = Load(id);
    EXPECT_EQ(LengthField({wifi.data.get(), 4}), wifi.length - 4) << "image " << id;
  }

  const EmbeddedImage hex = Load(174);
  std::vector<uint8_t> memory(0x80000, 0xFF);
  EXPECT_EQ(LoadIntelHex(reinterpret_cast<const char*>(hex.data.get()), hex.length, memory.data(),
                         static_cast<uint32_t>(memory.size()), 0x80000000),
            43784);
}

}  // namespace
}  // namespace solvane
