#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "package/intel_hex.h"
#include "tools/payload/payload_generator.h"

namespace solvane {
namespace {

struct Record {
  uint32_t count;
  uint32_t address;
  uint32_t type;
};

class SensorBoardHexTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::vector<uint8_t> image = GenerateImage(174);
    text_ = new std::string(image.begin(), image.end());
  }
  static void TearDownTestSuite() { delete text_; }

  // The lines without their CR LF; fails the test on any other line end.
  static std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text_->size()) {
      const size_t lf = text_->find('\n', start);
      EXPECT_NE(lf, std::string::npos) << "text does not end with a line end";
      if (lf == std::string::npos) {
        break;
      }
      EXPECT_TRUE(lf > start && (*text_)[lf - 1] == '\r') << "bare LF at " << lf;
      lines.push_back(text_->substr(start, lf - 1 - start));
      start = lf + 1;
    }
    return lines;
  }

  static Record Parse(const std::string& line) {
    return {static_cast<uint32_t>(std::stoul(line.substr(1, 2), nullptr, 16)),
            static_cast<uint32_t>(std::stoul(line.substr(3, 4), nullptr, 16)),
            static_cast<uint32_t>(std::stoul(line.substr(7, 2), nullptr, 16))};
  }

  static std::string* text_;
};

std::string* SensorBoardHexTest::text_ = nullptr;

TEST_F(SensorBoardHexTest, HasTheRecordsOfTheCarriedImage) {
  EXPECT_EQ(text_->size(), 122152u);
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 2720u);
  EXPECT_EQ(lines.front(), ":0200000480007A");
  EXPECT_EQ(lines.back(), ":00000001FF");
  EXPECT_EQ(Parse(lines[lines.size() - 2]).type, 0x05u);

  std::map<uint32_t, int> types;
  for (const std::string& line : lines) {
    ASSERT_EQ(line[0], ':');
    EXPECT_EQ(line.find_first_not_of("0123456789ABCDEF", 1), std::string::npos) << line;
    const Record record = Parse(line);
    EXPECT_EQ(line.size(), 11 + 2 * record.count) << line;
    ++types[record.type];
    if (record.type == 0) {
      EXPECT_GE(record.count, 1u);
      EXPECT_LE(record.count, 16u);
    }
  }
  EXPECT_EQ(types, (std::map<uint32_t, int>{{0, 2717}, {1, 1}, {4, 1}, {5, 1}}));
}

TEST_F(SensorBoardHexTest, DataCoverThreeRunsUpTo8000AB07) {
  uint32_t next = 0;
  uint32_t bytes = 0;
  std::vector<uint32_t> runStarts;
  for (const std::string& line : Lines()) {
    const Record record = Parse(line);
    if (record.type != 0) {
      continue;
    }
    if (runStarts.empty() || record.address != next) {
      EXPECT_TRUE(runStarts.empty() || record.address > next) << "records out of order";
      runStarts.push_back(record.address);
    }
    next = record.address + record.count;
    bytes += record.count;
  }
  ASSERT_EQ(runStarts.size(), 3u);
  EXPECT_EQ(runStarts[0], 0u);
  EXPECT_EQ(next, 0xAB08u);
  EXPECT_EQ(bytes, 43390u);
}

TEST_F(SensorBoardHexTest, LoadsIntoTheSensorBoardMemoryImage) {
  std::vector<uint8_t> image(0x80000, 0xFF);
  EXPECT_EQ(LoadIntelHex(text_->data(), static_cast<uint32_t>(text_->size()), image.data(),
                         static_cast<uint32_t>(image.size()), 0x80000000),
            43784);
  for (uint32_t i = 0xAB04; i < 0xAB08; ++i) {
    EXPECT_EQ(image[i], 0xFF) << "offset " << i;
  }
  EXPECT_NE(image[0], 0xFF);
}

}  // namespace
}  // namespace solvane
