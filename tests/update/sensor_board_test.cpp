// The keyboard sensor board: when it is checked, how it is written, and the
// three phases' retries.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "package/intel_hex.h"
#include "sim/sensor_code_block.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

std::vector<uint32_t> SubCommands(const Engine& engine) {
  std::vector<uint32_t> subCommands;
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand) {
      subCommands.push_back(entry.params[0]);
    }
  }
  return subCommands;
}

uint64_t FirstCommandAtMs(const Engine& engine) {
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand) {
      return static_cast<uint64_t>(entry.timeMs - VirtualHostTime::kDefaultStartMs);
    }
  }
  return 0;
}

// The end of the programmed range: one past the last byte above 0x2000 of the
// carried image that is not erased.
uint32_t ProgrammedEnd() {
  EmbeddedImage text;
  EXPECT_EQ(LoadEmbeddedImage(LinkedResourceSource(), 174, 256, text), ImageLoadStatus::kOk);
  std::vector<uint8_t> image(0x80000, 0xFF);
  EXPECT_GT(LoadIntelHex(reinterpret_cast<const char*>(text.data.get()), text.length, image.data(),
                         0x80000, 0x80000000),
            0);
  uint32_t end = 0x80000;
  while (end > 0x2001 && image[end - 1] == 0xFF) {
    --end;
  }
  return end;
}

TEST(SensorBoard, AnOldBoardIsWrittenIn512ByteBlocksAndReleased) {
  Engine engine;
  engine.Start();
  engine.PressGo();

  uint32_t range = ProgrammedEnd() - 0x2000;
  size_t blocks = (range + 511) / 512;
  std::vector<uint32_t> expected = {24, 25, 24};
  expected.insert(expected.end(), blocks, 21);
  expected.insert(expected.end(), {25, 24});
  EXPECT_EQ(SubCommands(engine), expected);

  std::vector<const TranscriptEntry*> writes;
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand && entry.params[0] == 21) {
      writes.push_back(&entry);
    }
  }
  ASSERT_EQ(writes.size(), blocks);
  EXPECT_EQ(writes.front()->length, 4u + 512u);
  EXPECT_EQ(writes.back()->length, 4u + (range % 512 == 0 ? 512 : range % 512));
  // 100 ms before the check, then 100 ms before every block.
  EXPECT_EQ(writes.back()->timeMs - VirtualHostTime::kDefaultStartMs - FirstCommandAtMs(engine),
            static_cast<int64_t>(100 + 100 * blocks));
  // The verifying CRC request 200 ms after the last block.
  const TranscriptEntry* verify = nullptr;
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand && entry.params[0] == 25) {
      verify = &entry;
    }
  }
  ASSERT_NE(verify, nullptr);
  EXPECT_EQ(verify->timeMs - writes.back()->timeMs, 200);
  EXPECT_EQ(engine.writer.State().sensorFlash.size(), 0x80000u);
  EXPECT_THAT(engine.writer.display().history(), Contains("Updating Keyboard Scanner"));
}

TEST(SensorBoard, AnImageWithNothingAbove0x2000SendsOneByte) {
  Engine engine;
  // One data byte at 0x80001000, below the programmed range; then the end record.
  engine.resources.Replace(174, ":0200000480007A\n:01100000AA45\n:00000001FF\n");
  engine.Start();
  engine.PressGo();
  std::vector<uint32_t> subCommands = SubCommands(engine);
  ASSERT_EQ(std::count(subCommands.begin(), subCommands.end(), 21u), 1);
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand && entry.params[0] == 21) {
      EXPECT_EQ(entry.length, 5u);
    }
  }
}

TEST(SensorBoard, TextThatIsNotIntelHexIsAnError) {
  Engine engine;
  engine.resources.Replace(174, "not a hex file");
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Error decoding data...");
  EXPECT_THAT(engine.LogLines(), Contains("Error decoding data..."));
  EXPECT_EQ(engine.writer.display().history().back(), "Failed to update Keyboard Scanner");
  EXPECT_TRUE(SubCommands(engine).empty());
}

TEST(SensorBoard, ABoardAtTheMinimumBuildIsLeftAlone) {
  Engine first;
  first.Start();
  first.PressGo();
  first.writer.CompleteRestart();

  Engine second(first.writer.State());
  second.Start();
  second.PressGo();
  EXPECT_TRUE(SubCommands(second).empty());
  EXPECT_THAT(second.LogLines(),
              ::testing::Not(Contains("Sending KeySensor Board Code to Solvane/Solvane II...")));
}

TEST(SensorBoard, ABoardIsCheckedBelowTheMinimumBuild14760OrWhenItsBuildIsUnknown) {
  Engine first;
  first.Start();
  first.PressGo();
  first.writer.CompleteRestart();

  struct Row {
    uint32_t build;
    bool checked;
  };
  for (Row row : {Row{14759, true}, Row{14760, false}, Row{0xFFFFFFFF, true}}) {
    SCOPED_TRACE(row.build);
    WriterState state = first.writer.State();
    SensorCodeBlock::Seal(state.sensorFlash, row.build);
    Engine engine(state);
    engine.Start();
    engine.PressGo();
    std::vector<uint32_t> subCommands = SubCommands(engine);
    if (row.checked) {
      ASSERT_GE(subCommands.size(), 2u);
      EXPECT_EQ(subCommands[0], 24u);
      EXPECT_EQ(subCommands[1], 25u);
    } else {
      EXPECT_TRUE(subCommands.empty());
    }
    EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
  }
}

TEST(SensorBoard, AMatchingCrcIsOnlyCheckedAndReleased) {
  Engine first;
  first.Start();
  first.PressGo();
  first.writer.CompleteRestart();

  // The identification reports build 14592 (0x3900) for the current board.
  FaultSet faults;
  faults.replies.push_back({.code = kIdentify,
                            .request = 1,
                            .kind = ReplyFaultKind::kWrongByte,
                            .value = 0x00,
                            .index = 4});
  Engine second(first.writer.State(), faults);
  second.Start();
  second.PressGo();
  EXPECT_THAT(SubCommands(second), ElementsAre(24u, 25u, 24u));
  EXPECT_EQ(second.window.boxes.back().style, 0x40u);
}

TEST(SensorBoard, ACrcReplyOfOtherThan4BytesFailsTheCheckTenTimes) {
  // Cut to 3 bytes, or a fifth byte added.
  const ReplyFault replies[] = {{.code = kSendCommand,
                                 .request = 1,
                                 .times = 0,
                                 .kind = ReplyFaultKind::kShortPayload,
                                 .value = 3,
                                 .subCommand = 25},
                                {.code = kSendCommand,
                                 .request = 1,
                                 .times = 0,
                                 .kind = ReplyFaultKind::kWrongByte,
                                 .value = 0,
                                 .index = 4,
                                 .subCommand = 25}};
  for (const ReplyFault& reply : replies) {
    SCOPED_TRACE(static_cast<int>(reply.kind));
    FaultSet faults;
    faults.replies.push_back(reply);
    Engine engine(DefaultWriterState(), faults);
    engine.Start();
    engine.PressGo();

    ASSERT_EQ(engine.window.boxes.size(), 1u);
    EXPECT_EQ(engine.window.boxes[0].text, "Error with updating sensor board..");
    EXPECT_THAT(engine.LogLines(), Contains("Error with updating sensor board.."));
    std::vector<uint32_t> subCommands = SubCommands(engine);
    EXPECT_EQ(std::count(subCommands.begin(), subCommands.end(), 25u), 10);
    EXPECT_EQ(std::count(subCommands.begin(), subCommands.end(), 21u), 0);
    // Ten checks of 100 ms with nine pauses of 500 ms between them.
    EXPECT_EQ(engine.window.boxes[0].atMs - FirstCommandAtMs(engine), 1000u + 4500u);
    std::vector<std::string> display = engine.writer.display().history();
    EXPECT_EQ(std::count(display.begin(), display.end(), "Updating Keyboard Scanner"), 10);
    EXPECT_EQ(display.back(), "Failed to update Keyboard Scanner");
    // Nothing after the sensor board runs.
    EXPECT_EQ(engine.Count(kQueryPartition), 0u);
  }
}

TEST(SensorBoard, AProgrammingModeReplyOf1StartsTheAttemptAgain) {
  // Any first byte but 0 refuses.
  for (uint32_t value : {1u, 2u}) {
    SCOPED_TRACE(value);
    FaultSet faults;
    // Accepted in the check; refused once when programming begins.
    faults.replies.push_back({.code = kSendCommand,
                              .request = 2,
                              .kind = ReplyFaultKind::kWrongByte,
                              .value = value,
                              .index = 0,
                              .subCommand = 24});
    Engine engine(DefaultWriterState(), faults);
    engine.Start();
    engine.PressGo();
    std::vector<uint32_t> subCommands = SubCommands(engine);
    EXPECT_EQ(std::count(subCommands.begin(), subCommands.end(), 24u), 4);
    EXPECT_EQ(subCommands.at(3), 24u);  // the second attempt follows at once
    EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
  }
}

TEST(SensorBoard, AReleaseRefusedTenTimesIsAFailureAfter27Seconds) {
  FaultSet faults;
  faults.replies.push_back({.code = kSendCommand,
                            .request = 3,
                            .times = 0,
                            .kind = ReplyFaultKind::kStatus,
                            .value = 0x23,
                            .subCommand = 24});
  Engine engine(DefaultWriterState(), faults);
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Error with updating sensor board..");
  std::vector<uint32_t> subCommands = SubCommands(engine);
  EXPECT_EQ(std::count(subCommands.begin(), subCommands.end(), 24u), 2 + 10);
  const TranscriptEntry* lastVerify = nullptr;
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kSendCommand && entry.params[0] == 25) {
      lastVerify = &entry;
    }
  }
  ASSERT_NE(lastVerify, nullptr);
  EXPECT_EQ(engine.window.boxes[0].atMs -
                static_cast<uint64_t>(lastVerify->timeMs - VirtualHostTime::kDefaultStartMs),
            27000u);
}

}  // namespace
}  // namespace solvane::engine_test
