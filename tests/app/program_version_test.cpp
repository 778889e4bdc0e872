#include "app/program_version.h"

#include <gtest/gtest.h>

#include "app/posix/configured_product_version_reader.h"

namespace solvane {
namespace {

class FixedVersion : public ProductVersionReader {
 public:
  FixedVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d, bool readable = true)
      : high_(uint32_t{a} << 16 | b), low_(uint32_t{c} << 16 | d), readable_(readable) {}
  bool ReadProductVersion(uint32_t& high, uint32_t& low) const override {
    if (!readable_) {
      return false;
    }
    high = high_;
    low = low_;
    return true;
  }

 private:
  uint32_t high_;
  uint32_t low_;
  bool readable_;
};

std::string BuildString(const ProductVersionReader& reader) {
  std::string text = "stale";
  FormatBuildString(reader, text);
  return text;
}

TEST(BuildString, ShowsTheBuildButNeverTheLeadingNumber) {
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 0, 0)), "35675");
  EXPECT_EQ(BuildString(FixedVersion(7, 35675, 0, 0)), "35675");
}

TEST(BuildString, BetaAndThirdNumber) {
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 0, 2)), "35675 Beta 2");
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 4, 2)), "35675 Beta 2");
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 1, 0)), "35675.1.0");
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 4, 0)), "35675.4.0");
}

TEST(BuildString, UnreadableVersionGivesZero) {
  EXPECT_EQ(BuildString(FixedVersion(1, 35675, 0, 0, false)), "0");
}

TEST(BuildString, ThisProgramIsBuild35675) {
  EXPECT_EQ(BuildString(ConfiguredProductVersionReader()), "35675");
}

}  // namespace
}  // namespace solvane
