#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/writer_state.h"
#include "tests/update/fault_cells.h"

namespace solvane::engine_test {

// Runs fault cells against one writer and checks each: a run that shows the
// success message leaves every component it logged as sent holding the carried
// image and none damaged; no run changes memory outside the components; the
// log ends with its closing line; and a second run without the fault completes
// the update, unless the writer cannot restart.
class FaultMatrix {
 public:
  FaultMatrix(std::string title, WriterState writer);

  void Run(const FaultCell& cell);
  void RunAll(const std::vector<FaultCell>& cells);
  // Prints the count of cells and their outcomes; a test failure per broken rule.
  void Report() const;

 private:
  struct SecondRun {
    bool completed = false;
    std::string problem;  // with the run's log
  };

  const SecondRun& RunAgain(WriterState state, bool restarting);
  void Problem(const FaultCell& cell, const std::string& what, const std::string& log);

  std::string title_;
  WriterState before_;
  uint32_t cellsGenerated_ = 0;
  uint32_t cells_ = 0;
  uint32_t successes_ = 0;
  uint32_t failuresShown_ = 0;
  uint32_t secondRunsCompleted_ = 0;
  uint32_t cannotRestart_ = 0;
  // Second runs by the writer state they start from, which decides them.
  std::map<uint64_t, SecondRun> secondRuns_;
  std::vector<std::string> problems_;
};

}  // namespace solvane::engine_test
