// The writer's clock against the PC's local time.
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"

namespace solvane::engine_test {
namespace {

struct ClockRun {
  size_t exchanges;
  size_t questions;
  int64_t writerOffset;
};

// A run on a writer whose clock is `offsetSeconds` off, answering `answer` to
// the clock question.
ClockRun RunWithWriterOffset(int64_t offsetSeconds, int answer = kIdYes) {
  WriterState state = DefaultWriterState();
  state.clockOffsetSeconds = offsetSeconds;
  Engine engine(state);
  engine.window.answers = {answer};
  engine.Start();
  engine.dialog.RunUpdate();
  size_t questions = 0;
  for (const Box& box : engine.window.boxes) {
    if (box.text ==
        "Your Steno Machine's date/time doesn't match the PC date/time.\nDo you want it to match "
        "the PC date/time?") {
      EXPECT_EQ(box.caption, "Solvane Update");
      EXPECT_EQ(box.style, 0x24u);
      ++questions;
    }
  }
  return {engine.Count(kExchangeClock), questions, engine.writer.State().clockOffsetSeconds};
}

TEST(MachineClock, AnEqualClockIsOnlyRead) {
  ClockRun run = RunWithWriterOffset(0);
  EXPECT_EQ(run.exchanges, 1u);
  EXPECT_EQ(run.questions, 0u);
}

TEST(MachineClock, UpTo300SecondsOffIsSetWithoutAsking) {
  for (int64_t offset : {-300, -200, 200, 300}) {
    ClockRun run = RunWithWriterOffset(offset);
    EXPECT_EQ(run.exchanges, 2u) << offset;
    EXPECT_EQ(run.questions, 0u) << offset;
    EXPECT_EQ(run.writerOffset, 0) << offset;
  }
}

TEST(MachineClock, MoreThan300SecondsOffIsAskedAbout) {
  ClockRun yes = RunWithWriterOffset(-301, kIdYes);
  EXPECT_EQ(yes.questions, 1u);
  EXPECT_EQ(yes.exchanges, 2u);
  EXPECT_EQ(yes.writerOffset, 0);

  // No, or the box closed another way (IDCANCEL 2), leaves the clock alone.
  for (int answer : {kIdNo, 2}) {
    ClockRun no = RunWithWriterOffset(301, answer);
    EXPECT_EQ(no.questions, 1u) << answer;
    EXPECT_EQ(no.exchanges, 1u) << answer;
    EXPECT_EQ(no.writerOffset, 301) << answer;
  }
}

TEST(MachineClock, PcLocalTimeSubtractsTheBiasesOfTheZone) {
  LoneEngine lone;  // the time function needs no dialog and no writer
  lone.pcClock.startUtc = 1'700'000'000;
  lone.pcClock.zone = {.bias = 300, .standardBias = 0, .daylightBias = -60};

  lone.pcClock.daylight = false;
  EXPECT_EQ(lone.engine.PcLocalTime(), 1'700'000'000u - 18'000u);
  lone.pcClock.daylight = true;
  EXPECT_EQ(lone.engine.PcLocalTime(), 1'700'000'000u - 14'400u);

  lone.pcClock.zone = {.bias = -60, .standardBias = 15, .daylightBias = -60};
  lone.pcClock.daylight = false;
  EXPECT_EQ(lone.engine.PcLocalTime(), 1'700'000'000u + 3'600u - 900u);
  lone.pcClock.daylight = true;
  EXPECT_EQ(lone.engine.PcLocalTime(), 1'700'000'000u + 7'200u);
}

TEST(MachineClock, PcLocalTimeKeepsTheLow32Bits) {
  LoneEngine lone;
  lone.pcClock.startUtc = (int64_t{1} << 32) + 5;
  EXPECT_EQ(lone.engine.PcLocalTime(), 5u);
}

}  // namespace
}  // namespace solvane::engine_test
