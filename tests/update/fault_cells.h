#pragma once

#include <string>
#include <vector>

#include "sim/fault_set.h"
#include "tests/update/run_census.h"

namespace solvane::engine_test {

// One cell of the fault matrix: the faults the simulated writer injects in a
// run, and whether a job file is open or realtime runs on it for the whole run.
struct FaultCell {
  std::string name;
  FaultSet faults = {};
  bool jobOpen = false;
  bool realtimeActive = false;
};

// The cells, generated from tables of fault kinds and the moments a run
// without faults offers them (RunCensus).
std::vector<FaultCell> BrokenReplyCells(const std::vector<TriggerPoint>& points);
// Requests unanswered or refused every time from the first of these moments of
// each trigger on.
std::vector<FaultCell> LastingReplyCells(const std::vector<TriggerPoint>& points);
std::vector<FaultCell> FlashCells(const RunCensus& census);
std::vector<FaultCell> VanishedPartitionCells(const RunCensus& census);
std::vector<FaultCell> RestartCells(const RunCensus& census);
std::vector<FaultCell> BusyWriterCells();

}  // namespace solvane::engine_test
