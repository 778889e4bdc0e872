// The X-Loader: read back, compared by CRC, then by version text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"
#include "update/xloader_version.h"

namespace solvane::engine_test {
namespace {

using ::testing::Contains;
using ::testing::Not;

std::string TextOf(const std::string& bytes) {
  return XLoaderVersionText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(XLoaderVersionText, StaysInsideTheImage) {
  using namespace std::string_literals;
  EXPECT_EQ(TextOf("\x01\x02X-Loader 6.00 (\0tail"s), "X-Loader 6.00 (");
  EXPECT_EQ(TextOf("X-Loader 5\0X-Loader 6\0"s), "X-Loader 5");
  EXPECT_EQ(TextOf("no marker here"), "");
  EXPECT_EQ(TextOf("cut X-Loader"), "");              // 8 of the 9 bytes
  EXPECT_EQ(TextOf("X-Loader 7.1"), "X-Loader 7.1");  // no NUL before the end
  EXPECT_EQ(TextOf("X-Loader " + std::string(300, '9')).size(), 200u);
}

WriterState WithCarriedXLoader() {
  WriterState state = DefaultWriterState();
  EmbeddedImage image;
  EXPECT_EQ(LoadEmbeddedImage(LinkedResourceSource(), 189, 256, image), ImageLoadStatus::kOk);
  std::copy_n(image.data.get(), image.length, state.xLoader.begin());
  return state;
}

std::vector<std::string> DisplayTexts(const Engine& engine) {
  return engine.writer.display().history();
}

TEST(XLoader, ACurrentLoaderIsReadBackOnceAndNotSent) {
  Engine engine(WithCarriedXLoader());
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Transfers(kSendXLoader), 0u);
  std::vector<std::string> lines = engine.LogLines();
  EXPECT_THAT(lines, Not(Contains("Updating X-Loader")));
  EXPECT_THAT(lines, Not(Contains(::testing::HasSubstr("XLoader"))));
  EXPECT_THAT(engine.window.statusTexts, Contains("\n\nChecking XLoader..."));
  EXPECT_THAT(DisplayTexts(engine), Contains("Updating X-Loader"));
  // Two checks of each WiFi partition read 2 x 5 and 2 x 1 blocks; the loader
  // takes one read, and the second call of the run none.
  EXPECT_EQ(engine.Count(kReadMemory), 13u);
}

TEST(XLoader, ANewerOrEqualWriterTextKeepsItsLoader) {
  Engine engine(DefaultWriterState("7.00"));
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Transfers(kSendXLoader), 0u);
  std::vector<std::string> lines = engine.LogLines();
  // Both calls of the run compare again.
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "Has newer version: X-Loader 7.00 ( then X-Loader 6.00 ("),
            2);
  EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
}

TEST(XLoader, AnEqualTextOnOtherBytesIsNotSent) {
  Engine engine(DefaultWriterState("6.00"));
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Transfers(kSendXLoader), 0u);
  EXPECT_THAT(engine.LogLines(),
              Contains("Has newer version: X-Loader 6.00 ( then X-Loader 6.00 ("));
}

TEST(XLoader, VersionTextsCompareAsText) {
  Engine engine(DefaultWriterState("10.00"));
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Transfers(kSendXLoader), 1u);
  EXPECT_THAT(engine.LogLines(), Contains("Old X-Loader 10.00 (, programming X-Loader 6.00 ("));
}

TEST(XLoader, ALoaderWithoutMarkerGetsTheCarriedOne) {
  WriterState state = DefaultWriterState();
  std::fill(state.xLoader.begin(), state.xLoader.end(), 0xFF);
  Engine engine(state);
  engine.Start();
  engine.PressGo();
  EXPECT_THAT(engine.LogLines(), Contains("Old , programming X-Loader 6.00 ("));
  EXPECT_EQ(engine.Transfers(kSendXLoader), 1u);
}

// The decision alone, on the engine without the dialog: the carried loader
// ("X-Loader 6.00 (") goes only to a writer whose text sorts below it.
TEST(XLoader, TheDecisionFollowsTheVersionTextsAlone) {
  struct Row {
    std::string writerText;
    size_t transfers;
    const char* logLine;
  };
  for (const Row& row : std::vector<Row>{
           {"5.99", 1, "Old X-Loader 5.99 (, programming X-Loader 6.00 ("},
           {"10.00", 1, "Old X-Loader 10.00 (, programming X-Loader 6.00 ("},
           {"6.00", 0, "Has newer version: X-Loader 6.00 ( then X-Loader 6.00 ("},
           {"7.00", 0, "Has newer version: X-Loader 7.00 ( then X-Loader 6.00 ("},
       }) {
    LoneEngine lone(DefaultWriterState(row.writerText));
    lone.Connect();
    EXPECT_EQ(lone.engine.ProgramXLoader(), 0) << row.writerText;
    EXPECT_EQ(lone.Transfers(kSendXLoader), row.transfers) << row.writerText;
    EXPECT_THAT(lone.log.contents, ::testing::HasSubstr(row.logLine)) << row.writerText;
  }
  LoneEngine current(WithCarriedXLoader());
  current.Connect();
  EXPECT_EQ(current.engine.ProgramXLoader(), 0);
  EXPECT_EQ(current.Transfers(kSendXLoader), 0u);
}

FaultSet XLoaderChunkRefused(uint32_t times) {
  FaultSet faults;
  faults.replies.push_back({.code = kSendXLoader,
                            .chunk = 1,
                            .times = times,
                            .kind = ReplyFaultKind::kStatus,
                            .value = 0x23});
  return faults;
}

TEST(XLoader, ATransferThatFailsOnceIsMendedAfterTheRestart) {
  Engine engine(DefaultWriterState(), XLoaderChunkRefused(1));
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Transfers(kSendXLoader), 2u);
  // The failed first transfer makes the run restart the writer before the last call.
  EXPECT_EQ(engine.Count(kRequestReset), 2u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].style, 0x40u);
}

TEST(XLoader, ATransferThatFailsInTheLastCallIsAFailure) {
  Engine engine(DefaultWriterState(), XLoaderChunkRefused(0));
  engine.Start();
  engine.PressGo();

  EXPECT_EQ(engine.Transfers(kSendXLoader), 2u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Error Code 35");
  EXPECT_EQ(engine.window.boxes[0].caption, "Error");
  EXPECT_THAT(engine.LogLines(), Contains("Unable to program your writer.  Error Code 35"));
  EXPECT_THAT(engine.LogLines(), Not(Contains("Successfully updated the Solvane/Solvane II.")));
  std::vector<std::string> display = DisplayTexts(engine);
  EXPECT_EQ(display.back(), "Failure in updating machine.");
  EXPECT_EQ(engine.writer.display().current(), "");
  EXPECT_FALSE(engine.window.ended.has_value());
  // The pending restart is still carried out by the cleanup.
  EXPECT_EQ(engine.Requests().back(), kRequestReset);
}

FaultSet XLoaderWriteStops(uint32_t times) {
  FaultSet faults;
  faults.flash.push_back(
      {.kind = FlashFaultKind::kXLoaderWriteFails, .request = 1, .times = times, .offset = 16384});
  return faults;
}

size_t PositionOf(const std::vector<uint16_t>& requests, uint16_t code, size_t occurrence) {
  for (size_t at = 0; at < requests.size(); ++at) {
    if (requests[at] == code && occurrence-- == 0) {
      return at;
    }
  }
  return requests.size();
}

TEST(XLoader, AHalfWrittenLoaderIsSentAgainBeforeAnyRestart) {
  Engine engine(DefaultWriterState(), XLoaderWriteStops(1));
  engine.Start();
  engine.PressGo();

  EXPECT_EQ(engine.Transfers(kSendXLoader), 2u);
  std::vector<uint16_t> requests = engine.Requests();
  EXPECT_LT(PositionOf(requests, kSendXLoader, 1), PositionOf(requests, kRequestReset, 0));
  EXPECT_TRUE(engine.writer.memory().XLoaderBootable());
  EXPECT_EQ(engine.Count(kRequestReset), 1u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].style, 0x40u);
}

TEST(XLoader, ALoaderThatStaysHalfWrittenIsSentTwiceMoreAndThenLeftToTheRestart) {
  Engine engine(DefaultWriterState(), XLoaderWriteStops(0));
  engine.Start();
  engine.PressGo();

  EXPECT_EQ(engine.Transfers(kSendXLoader), 3u);
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to reset your writer.");
  EXPECT_THAT(engine.LogLines(), Not(Contains("Successfully updated the Solvane/Solvane II.")));
}

TEST(XLoader, AFailedReadBackIsReported) {
  FaultSet faults;
  faults.replies.push_back({.code = kReadMemory,
                            .request = 13,  // after the WiFi checks' twelve reads
                            .kind = ReplyFaultKind::kNoReply});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Failed to read x-Loader Image!");
  EXPECT_THAT(engine.LogLines(), Contains("Failed to read x-Loader Image!"));
  EXPECT_EQ(engine.writer.display().current(), "");
}

}  // namespace
}  // namespace solvane::engine_test
