// The WiFi module's application image and NVS partition: checks, programming
// passes, and the partitions that vanish or do not fit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

size_t CountLines(const Engine& engine, const std::string& line) {
  std::vector<std::string> lines = engine.LogLines();
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

TEST(WifiImage, AModelWithoutWifiImagesAsksNothing) {
  WriterState state = DefaultWriterState();
  state.identity.machineType = 20;
  Engine engine(state);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Count(kQueryPartition), 1u);  // the X-Loader's
  EXPECT_EQ(engine.Count(kEraseFlash), 0u);
  EXPECT_THAT(engine.LogLines(), Not(Contains(HasSubstr("WiFi"))));
  EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
}

TEST(WifiImage, NoPartitionAtTheFirstCheckMeansNoModule) {
  FaultSet faults;
  faults.vanish.push_back({.selector = 8, .request = 1});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(CountLines(engine, "Reading WiFi App. from Solvane/Solvane II..."), 1u);
  EXPECT_EQ(CountLines(engine, "Sending WiFi App. to Solvane/Solvane II..."), 0u);
  EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
}

TEST(WifiImage, APartitionThatVanishesLaterIsAFailure) {
  FaultSet faults;
  // The first check and the programming pass see it; the second check does not.
  faults.vanish.push_back({.selector = 8, .request = 3});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();

  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Check if a job is open.");
  EXPECT_EQ(engine.window.boxes[0].caption, "Error");
  EXPECT_EQ(CountLines(engine, "Unable to program your writer.  Check if a job is open."), 1u);
  EXPECT_EQ(CountLines(engine, "Reading WiFi App. from Solvane/Solvane II..."), 3u);
  EXPECT_EQ(engine.writer.display().history().back(), "Failure to load WiFi App.");
  EXPECT_THAT(engine.LogLines(), Not(Contains(HasSubstr("WiFi NVS"))));
}

TEST(WifiImage, AFailedWriteIsRepeatedFromTheErase) {
  FaultSet faults;
  faults.flash.push_back({.kind = FlashFaultKind::kWriteFails, .request = 2});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(CountLines(engine, "Sending WiFi App. to Solvane/Solvane II..."), 2u);
  EXPECT_EQ(CountLines(engine, "Reading WiFi App. from Solvane/Solvane II..."), 3u);
  EXPECT_EQ(engine.Count(kEraseFlash), 3u);  // twice the application, once the NVS
  EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
}

TEST(WifiImage, APartitionThatStillDiffersAfterTwoPassesIsAFailure) {
  FaultSet faults;
  faults.flash.push_back({.kind = FlashFaultKind::kBitFlip, .request = 1, .times = 0});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(CountLines(engine, "Sending WiFi App. to Solvane/Solvane II..."), 2u);
  EXPECT_EQ(CountLines(engine, "Reading WiFi App. from Solvane/Solvane II..."), 3u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Check if a job is open.");
}

TEST(WifiImage, AFailedReadBackNeverCountsAsEqual) {
  FaultSet faults;
  // Every read of the third check and on fails; the image was written by then.
  faults.replies.push_back(
      {.code = kReadMemory, .request = 6, .times = 0, .kind = ReplyFaultKind::kNoReply});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Check if a job is open.");
}

TEST(WifiImage, AnImageLargerThanItsPartitionIsNeverWritten) {
  FaultSet faults;
  // Every query of the application partition reports 128 KiB.
  faults.replies.push_back({.code = kQueryPartition,
                            .request = 1,
                            .times = 0,
                            .kind = ReplyFaultKind::kWrongParam,
                            .value = 0x20000,
                            .index = 1,
                            .selector = 8});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Count(kEraseFlash), 0u);
  EXPECT_EQ(engine.Count(kWriteFlash), 0u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Check if a job is open.");
  EXPECT_EQ(engine.writer.display().history().back(), "Failure to load WiFi App.");
}

TEST(WifiImage, TheEraseCoversThePartitionAsTheWriterReportsIt) {
  struct Row {
    uint32_t selector;
    uint32_t partitionSize;
    uint32_t erased;  // rounded up to 128 KiB
  };
  // Each image (280280 and 916 bytes) filling its partition exactly, and the
  // application image in a partition one byte over 384 KiB.
  for (Row row : {Row{8, 280280, 0x60000}, Row{8, 0x60001, 0x80000}, Row{9, 916, 0x20000}}) {
    SCOPED_TRACE(row.selector);
    FaultSet faults;
    faults.replies.push_back({.code = kQueryPartition,
                              .request = 1,
                              .times = 0,
                              .kind = ReplyFaultKind::kWrongParam,
                              .value = row.partitionSize,
                              .index = 1,
                              .selector = row.selector});
    Engine engine(DefaultWriterState(), faults);
    engine.Start();
    engine.PressGo();
    std::vector<uint32_t> erased;
    for (const TranscriptEntry& entry : engine.transcript.entries()) {
      if (entry.request && entry.code == kEraseFlash) {
        erased.push_back(entry.params[1]);
      }
    }
    ASSERT_EQ(erased.size(), 2u);  // the application partition, then the NVS one
    EXPECT_EQ(erased[row.selector == 8 ? 0 : 1], row.erased);
    EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
  }
}

TEST(WifiImage, AMissingImageIsNamed) {
  Engine engine;
  engine.resources.missing = {190};
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to load the firmware image 190.");
  EXPECT_THAT(engine.LogLines(), Contains("Unable to load the firmware image 190."));
  EXPECT_EQ(engine.Count(kQueryPartition), 0u);
}

}  // namespace
}  // namespace solvane::engine_test
