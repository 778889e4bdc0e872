// Every fault the simulated writer can inject, at every moment of an update
// where it can strike, generated from what a run without faults asks of the
// writer. Each test prints its count of cells and their outcomes.
#include <gtest/gtest.h>

#include "device/request_codes.h"
#include "tests/support/engine_harness.h"
#include "tests/update/fault_matrix.h"

namespace solvane::engine_test {
namespace {

// The writer of the main job: application build 34000, so the run sends boot
// and application code first and restarts the writer in the middle.
WriterState OldApplicationWriter() {
  WriterState state = DefaultWriterState();
  state.identity.applicationBuild = 34000;
  return state;
}

RunCensus CensusOf(const WriterState& writer) {
  Engine engine(writer);
  engine.Start();
  engine.PressGo();
  EXPECT_EQ(engine.window.boxes.size(), 1u);
  EXPECT_EQ(engine.window.boxes.at(0).style, 0x40u);
  return RunCensus(engine.transcript);
}

void BreakRepliesTo(const char* title, const std::vector<uint16_t>& codes) {
  RunCensus census = CensusOf(DefaultWriterState());
  std::vector<TriggerPoint> points = census.PointsOf(codes);
  ASSERT_FALSE(points.empty());
  FaultMatrix matrix(title, DefaultWriterState());
  matrix.RunAll(BrokenReplyCells(points));
  matrix.RunAll(LastingReplyCells(points));
  matrix.Report();
}

TEST(FaultMatrix, RepliesToIdentificationFilesClockAndDisplay) {
  BreakRepliesTo("identification, files, clock, display",
                 {kIdentify, kReadBootVersions, kOpenFile, kExchangeClock, kShowMessage});
}

TEST(FaultMatrix, RepliesToTheSensorBoardCommands) {
  BreakRepliesTo("sensor board commands", {kSendCommand});
}

TEST(FaultMatrix, RepliesToPartitionQueriesErasesAndWrites) {
  BreakRepliesTo("partition queries, WiFi erases and writes",
                 {kQueryPartition, kEraseFlash, kWriteFlash});
}

TEST(FaultMatrix, RepliesToMemoryReads) {
  BreakRepliesTo("memory reads", {kReadMemory});
}

TEST(FaultMatrix, RepliesToImageTransfersAndTheReset) {
  BreakRepliesTo("image transfers, reset",
                 {kSendImageCrc, kSendXLoader, kSendBootCode, kSendApplicationCode, kRequestReset});
}

TEST(FaultMatrix, FlashFaultsVanishedPartitionsAndABusyWriter) {
  RunCensus census = CensusOf(DefaultWriterState());
  FaultMatrix matrix("flash, partitions, busy writer", DefaultWriterState());
  matrix.RunAll(FlashCells(census));
  matrix.RunAll(VanishedPartitionCells(census));
  matrix.RunAll(BusyWriterCells());
  matrix.Report();
}

TEST(FaultMatrix, RestartsWithinTheRun) {
  RunCensus census = CensusOf(OldApplicationWriter());
  ASSERT_EQ(census.restartsWithinRun(), 1u);
  FaultMatrix matrix("restarts", OldApplicationWriter());
  matrix.RunAll(RestartCells(census));
  matrix.RunAll(BrokenReplyCells(census.restartPoints()));
  matrix.Report();
}

}  // namespace
}  // namespace solvane::engine_test
