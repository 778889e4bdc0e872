// Restarting the writer between stages: the waits, the reconnects, and what is
// shown when the writer does not come back as it went.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

using ::testing::Contains;
using ::testing::Not;

// A writer old enough for the early programming, so the first stage of the
// main sequence restarts it.
WriterState OldWriter() {
  WriterState state = DefaultWriterState();
  state.identity.applicationBuild = 34000;
  return state;
}

FaultSet AtFirstRestart(RestartFault fault) {
  FaultSet faults;
  fault.restart = 1;
  faults.restarts.push_back(fault);
  return faults;
}

uint64_t FirstResetAtMs(const Engine& engine) {
  for (const TranscriptEntry& entry : engine.transcript.entries()) {
    if (entry.request && entry.code == kRequestReset) {
      return static_cast<uint64_t>(entry.timeMs - VirtualHostTime::kDefaultStartMs);
    }
  }
  ADD_FAILURE() << "no reset request";
  return 0;
}

TEST(RestartWriter, AWriterThatNeverComesBackIsGivenUpAfter15Attempts) {
  Engine engine(OldWriter(), AtFirstRestart({.never = true}));
  engine.Start();
  engine.PressGo();

  ASSERT_EQ(engine.window.boxes.size(), 1u);
  const Box& box = engine.window.boxes[0];
  EXPECT_EQ(box.text, "Unable to reset your writer.");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.style, 0x10u);
  // 1000 ms, the close's 2000 ms, then 15 attempts 1000 ms apart.
  EXPECT_EQ(box.atMs - FirstResetAtMs(engine), 18000u);
  EXPECT_EQ(engine.devices.enumerations, 1 + 15);
  EXPECT_THAT(engine.LogLines(), Not(Contains("Unable to reset your writer.")));
  EXPECT_EQ(engine.LogLines().back(), "Exiting");
  EXPECT_EQ(engine.Count(kSendCommand), 0u);
}

TEST(RestartWriter, TheFifteenthAttemptIsTheLast) {
  // The 15th attempt comes 18 s after the reset request.
  Engine inTime(OldWriter(), AtFirstRestart({.lateMs = 18000}));
  inTime.Start();
  inTime.PressGo();
  EXPECT_EQ(inTime.window.boxes.back().style, 0x40u);
  EXPECT_EQ(inTime.devices.enumerations, 1 + 15);

  Engine late(OldWriter(), AtFirstRestart({.lateMs = 18001}));
  late.Start();
  late.PressGo();
  EXPECT_EQ(late.window.boxes.back().text, "Unable to reset your writer.");
}

TEST(RestartWriter, AWriterNotReadyFor9ProbesIsStillReady) {
  Engine engine(OldWriter(), AtFirstRestart({.notReadyProbes = 9}));
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.window.boxes.back().style, 0x40u);
}

TEST(RestartWriter, AWriterNotReadyFor10ProbesIsNotReady) {
  Engine engine(OldWriter(), AtFirstRestart({.notReadyProbes = 10}));
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Write is not ready.");
  // Reconnected at the first attempt: 1000 + 2000 + 1000, then ten probes 500 ms apart.
  EXPECT_EQ(engine.window.boxes[0].atMs - FirstResetAtMs(engine), 4000u + 5000u);
  EXPECT_THAT(engine.LogLines(), Not(Contains("Write is not ready.")));
}

TEST(RestartWriter, AWriterThatComesBackAsAnotherModelGetsNothingMore) {
  Engine engine(OldWriter(), AtFirstRestart({.machineType = 20}));
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text,
            "Improper Machine Type.  This update is not for Solvane Captioner/Student!");
  EXPECT_EQ(engine.window.boxes[0].caption, "Error");
  EXPECT_THAT(engine.LogLines(), Not(Contains(::testing::HasSubstr("Improper"))));
  EXPECT_EQ(engine.Count(kSendCommand), 0u);
}

// The code sent by the early programming takes effect at the restart; a writer
// that comes back without it must not be reported as updated.
TEST(RestartWriter, AWriterThatLostTheCodeSentToItEndsTheRun) {
  Engine clean(OldWriter());
  clean.Start();
  clean.PressGo();
  std::vector<uint16_t> requests = clean.Requests();
  auto reset = std::find(requests.begin(), requests.end(), kRequestReset);
  ASSERT_NE(reset, requests.end());
  uint32_t resetPacket = static_cast<uint32_t>(reset - requests.begin()) + 1;

  FaultSet unplugged;  // the pending code goes with the power
  unplugged.powerCuts.push_back({.packet = resetPacket, .replugMs = 6000});
  for (const FaultSet& faults : {unplugged, AtFirstRestart({.bootMode = true})}) {
    Engine engine(OldWriter(), faults);
    engine.Start();
    engine.PressGo();
    ASSERT_EQ(engine.window.boxes.size(), 1u);
    EXPECT_EQ(engine.window.boxes[0].text,
              "Your writer restarted without the code sent to it.\nPlease run the update again.");
    EXPECT_EQ(engine.window.boxes[0].style, 0x10u);
    EXPECT_THAT(engine.LogLines(), Contains(::testing::HasSubstr("restarted without the code")));
    EXPECT_EQ(engine.Count(kSendCommand), 0u);
  }
}

TEST(RestartWriter, AFailedIdentificationAfterTheRestartShowsItsCode) {
  FaultSet faults;
  faults.replies.push_back({.code = kIdentify, .request = 2, .kind = ReplyFaultKind::kNoReply});
  Engine engine(OldWriter(), faults);
  engine.Start();
  engine.PressGo();
  ASSERT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes[0].text, "Unable to program your writer.  Error Code 111");
  EXPECT_THAT(engine.LogLines(), Not(Contains(::testing::HasSubstr("Error Code"))));
}

TEST(RestartWriter, NothingIsSentWhenNoRestartIsPending) {
  Engine engine;  // build 35000: no early programming, so no restart before the sensor board
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.Count(kRequestReset), 1u);  // the final one only
  EXPECT_EQ(engine.devices.enumerations, 1);
}

}  // namespace
}  // namespace solvane::engine_test
