#include "package/intel_hex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace solvane {
namespace {

constexpr uint32_t kBase = 0x80000000;
constexpr uint32_t kSize = 0x100;

std::string Record(uint8_t type, uint16_t address, const std::vector<uint8_t>& data) {
  char text[16];
  uint8_t sum = static_cast<uint8_t>(data.size() + (address >> 8) + (address & 0xFF) + type);
  std::snprintf(text, sizeof(text), ":%02X%04X%02X", static_cast<unsigned>(data.size()),
                static_cast<unsigned>(address), static_cast<unsigned>(type));
  std::string record = text;
  for (uint8_t b : data) {
    std::snprintf(text, sizeof(text), "%02X", static_cast<unsigned>(b));
    record += text;
    sum = static_cast<uint8_t>(sum + b);
  }
  std::snprintf(text, sizeof(text), "%02X\r\n", static_cast<unsigned>(static_cast<uint8_t>(-sum)));
  return record + text;
}

const std::string kUpper = Record(0x04, 0, {0x80, 0x00});
const std::string kEnd = ":00000001FF\r\n";

class IntelHexTest : public ::testing::Test {
 protected:
  int32_t Load(const std::string& text, uint32_t base = kBase, uint32_t size = kSize) {
    image_.assign(size, 0xFF);
    return LoadIntelHex(text.data(), static_cast<uint32_t>(text.size()), image_.data(), size, base);
  }
  std::vector<uint8_t> image_;
};

TEST_F(IntelHexTest, LoadsDataAndReturnsTheSpan) {
  std::string text = kUpper + Record(0, 0x10, {1, 2, 3}) + Record(0, 0x20, {4}) + kEnd;
  EXPECT_EQ(Load(text), 0x11);
  EXPECT_EQ(image_[0x10], 1);
  EXPECT_EQ(image_[0x12], 3);
  EXPECT_EQ(image_[0x13], 0xFF);
  EXPECT_EQ(image_[0x20], 4);
}

TEST_F(IntelHexTest, LowerCaseDigitsLoadLikeUpperCase) {
  std::string upper = kUpper + Record(0, 0x1A, {0xAB, 0xCD}) + kEnd;
  std::string lower = upper;
  for (char& c : lower) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  EXPECT_EQ(Load(lower), 2);
  EXPECT_EQ(image_[0x1A], 0xAB);
  EXPECT_EQ(image_[0x1B], 0xCD);
}

TEST_F(IntelHexTest, TextMustStartWithAColon) {
  EXPECT_EQ(Load(""), kHexTruncated);
  EXPECT_EQ(Load("\r\n" + kUpper + kEnd), kHexTruncated);
}

TEST_F(IntelHexTest, TextThatRunsOutFailsButATrailingNulOrBlankEndsWell) {
  std::string records = kUpper + Record(0, 0, {7, 8});
  EXPECT_EQ(Load(records), kHexTruncated);
  EXPECT_EQ(Load(records + std::string(1, '\0')), 2);
  EXPECT_EQ(Load(records + " "), 2);
  EXPECT_EQ(Load(records.substr(0, records.size() - 4)), kHexTruncated);
}

TEST_F(IntelHexTest, LengthBoundsTheTextWithoutANul) {
  std::string text = kUpper + Record(0, 0, {7}) + kEnd;
  std::vector<char> exact(text.begin(), text.end());
  image_.assign(kSize, 0xFF);
  EXPECT_EQ(LoadIntelHex(exact.data(), static_cast<uint32_t>(exact.size() - kEnd.size() + 5),
                         image_.data(), kSize, kBase),
            kHexTruncated);
}

TEST_F(IntelHexTest, IllegalCharacterInsideARecordFails) {
  std::string text = kUpper + Record(0, 0, {1, 2, 3, 4}) + kEnd;
  std::string bad = text;
  bad[kUpper.size() + 11] = 'G';
  EXPECT_EQ(Load(bad), kHexTruncated);
  std::string cut = kUpper + ":0400000001\r\n02030405F2\r\n" + kEnd;
  EXPECT_EQ(Load(cut), kHexTruncated);
}

TEST_F(IntelHexTest, AddressesAtTheEdgesOfTheImage) {
  EXPECT_EQ(Load(kUpper + Record(0, kSize - 1, {0x5A}) + kEnd), 1);
  EXPECT_EQ(image_[kSize - 1], 0x5A);
  EXPECT_EQ(Load(kUpper + Record(0, kSize - 1, {0x5A, 0x5B}) + kEnd), kHexOutOfRange);
  EXPECT_EQ(image_[kSize - 1], 0x5A);
  EXPECT_EQ(Load(Record(0, 0, {1}) + kEnd), kHexOutOfRange);
  EXPECT_EQ(Load(kUpper + Record(0, 0, {1}) + kEnd, kBase + 1), kHexOutOfRange);
}

TEST_F(IntelHexTest, ChecksumMismatchKeepsTheRecordsData) {
  std::string record = Record(0, 4, {9, 9});
  record[record.size() - 3] ^= 1;
  EXPECT_EQ(Load(kUpper + record + kEnd), kHexBadChecksum);
  EXPECT_EQ(image_[4], 9);
  EXPECT_EQ(image_[5], 9);
}

TEST_F(IntelHexTest, AddressRecordsReplaceTheUpperAddress) {
  // Added to the 0x80000000 before it, a second 04 record of 0x8000 would
  // give 0x00000000 (and a 02 record of 0x1000 0x80010000): both outside.
  std::string linear = kUpper + Record(0, 0x10, {1}) + kUpper + Record(0, 0x20, {2}) + kEnd;
  EXPECT_EQ(Load(linear), 0x11);
  EXPECT_EQ(image_[0x20], 2);
  std::string segment = kUpper + Record(0x02, 0, {0x10, 0x00}) + Record(0, 0x20, {3}) + kEnd;
  EXPECT_EQ(Load(segment, 0x00010000), 1);
  EXPECT_EQ(image_[0x20], 3);
  // 0x0010 * 16 twice is 0x100, not 0x200; and an 04 record after it replaces it too.
  std::string twice = Record(0x02, 0, {0x00, 0x10}) + Record(0, 5, {4}) +
                      Record(0x02, 0, {0x00, 0x10}) + Record(0, 6, {5}) + kEnd;
  EXPECT_EQ(Load(twice, 0x100), 2);
  EXPECT_EQ(image_[6], 5);
  std::string mixed =
      Record(0x02, 0, {0x00, 0x10}) + Record(0x04, 0, {0x00, 0x00}) + Record(0, 7, {6}) + kEnd;
  EXPECT_EQ(Load(mixed, 0), 1);
  EXPECT_EQ(image_[7], 6);
}

TEST_F(IntelHexTest, RecordAddressCountsOnPast64KiB) {
  // The second byte of a record at 0xFFFF lies at 0x80010000, not at 0x80000000.
  std::string text = kUpper + Record(0, 0xFFFF, {1, 2}) + kEnd;
  EXPECT_EQ(Load(text, 0x8000FF00, 0x200), 2);
  EXPECT_EQ(image_[0xFF], 1);
  EXPECT_EQ(image_[0x100], 2);
}

TEST_F(IntelHexTest, SpanReachesFromTheLowestToTheHighestAddressInAnyOrder) {
  std::string text =
      kUpper + Record(0, 0x40, {1, 2}) + Record(0, 0x10, {3}) + Record(0, 0x20, {4}) + kEnd;
  EXPECT_EQ(Load(text), 0x32);
}

TEST_F(IntelHexTest, EveryRecordTypeIsChecksummed) {
  for (uint8_t type : {0x02, 0x03, 0x04, 0x05}) {
    std::string record = Record(type, 0, {0x80, 0x00});
    std::string text = kUpper + record + kUpper + Record(0, 0, {1}) + kEnd;
    EXPECT_EQ(Load(text), 1) << int{type};
    // A wrong checksum, and a wrong byte under the right checksum.
    for (size_t digit : {record.size() - 3, size_t{9}, size_t{12}}) {
      std::string bad = record;
      bad[digit] = bad[digit] == '1' ? '2' : '1';
      EXPECT_EQ(Load(kUpper + bad + kUpper + Record(0, 0, {1}) + kEnd), kHexBadChecksum)
          << int{type} << " digit " << digit;
    }
  }
}

TEST_F(IntelHexTest, AddressRecordsReadTwoBytesWhateverTheirCount) {
  // Count 0 but two bytes follow: the upper address still changes.
  std::string text =
      ":000000048000"
      "7C\r\n" +
      Record(0, 0, {1}) + kEnd;
  EXPECT_EQ(Load(text), 1);
}

TEST_F(IntelHexTest, StartAddressRecordsStoreNothing) {
  std::string text = kUpper + Record(0x05, 0, {0x80, 0, 0, 0x10}) +
                     Record(0x03, 0, {0, 0, 0, 0x10}) + Record(0, 8, {1}) + kEnd;
  EXPECT_EQ(Load(text), 1);
  for (uint32_t i = 0; i < kSize; ++i) {
    EXPECT_EQ(image_[i], i == 8 ? 1 : 0xFF) << i;
  }
}

TEST_F(IntelHexTest, DigitsAndLineEndsBetweenRecordsArePassedOver) {
  std::string text = kUpper + "0123\n\r\r" + Record(0, 2, {1}) + "FF" + kEnd;
  EXPECT_EQ(Load(text), 1);
}

TEST_F(IntelHexTest, LaterRecordsOverwriteEarlierOnes) {
  EXPECT_EQ(Load(kUpper + Record(0, 3, {1, 2}) + Record(0, 4, {9}) + kEnd), 2);
  EXPECT_EQ(image_[4], 9);
}

TEST_F(IntelHexTest, EmptyDataRecordReadsItsChecksum) {
  EXPECT_EQ(Load(kUpper + Record(0, 0x40, {}) + Record(0, 1, {5}) + kEnd), 1);
  EXPECT_EQ(Load(kUpper + ":00004000C1\r\n" + kEnd), kHexBadChecksum);
}

TEST_F(IntelHexTest, NothingToProgramIsAFailure) {
  EXPECT_EQ(Load(kUpper + kEnd), kHexTruncated);
  EXPECT_EQ(Load(kUpper + "x"), kHexTruncated);
}

TEST_F(IntelHexTest, UndefinedRecordTypesLoadAsData) {
  EXPECT_EQ(Load(kUpper + Record(0x06, 0x10, {0xAA, 0xBB}) + kEnd), 2);
  EXPECT_EQ(image_[0x11], 0xBB);
}

TEST_F(IntelHexTest, DataAfterTheEndRecordIsNotRead) {
  EXPECT_EQ(Load(kUpper + Record(0, 0, {1}) + ":00000001" + "garbage"), 1);
}

}  // namespace
}  // namespace solvane
