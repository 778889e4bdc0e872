#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/fault_set.h"
#include "sim/writer_state.h"

namespace solvane::simulation {

// Everything one seed decides: the writer as it starts, the answers to the
// program's questions (then yes), and the faults of the first run.
struct RunPlan {
  uint64_t seed = 0;
  WriterState start;
  std::string startText;  // what was drawn for the writer, for people
  std::vector<int> answers;
  FaultSet faults;
};

// What a seed's runs came to.
struct SeedResult {
  std::string violation;           // empty: every check held
  std::string brickCause;          // the fault after which the writer no longer starts
  std::vector<std::string> fired;  // "kind@request code"
  std::string output;              // plan, log, boxes, fired faults and the writer before and after
};

// Draws the plan of a seed; the faults come from what a fault-free run sent.
RunPlan PlanOf(uint64_t seed);
// Runs the plan (its first run, with the power back on: the fault-free tail),
// checking each run. `plantedDefect`: the writer accepts a refused last chunk.
SeedResult RunPlanned(const RunPlan& plan, bool plantedDefect = false);
inline SeedResult RunSeed(uint64_t seed, bool plantedDefect = false) {
  return RunPlanned(PlanOf(seed), plantedDefect);
}

// The command that replays one seed alone, with everything printed.
std::string ReplayCommand(uint64_t seed);

// Every fault kind, the names SimWriter::firedFaults() gives them.
const std::vector<std::string>& FaultKinds();

}  // namespace solvane::simulation
