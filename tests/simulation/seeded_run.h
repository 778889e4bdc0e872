#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/fault_set.h"
#include "sim/writer_state.h"

namespace solvane::simulation {

// The writer a run starts from, as drawn: each field's first value is the plainest.
struct WriterChoice {
  uint32_t type = 19;        // served: 18 to 20
  uint32_t application = 0;  // older, equal, newer than the carried one, damaged
  uint32_t boot = 0;         // older, equal, newer
  bool bootMode = false;
  uint32_t xLoader = 0;          // 5.00, 6.00 (the carried version), 7.00
  uint32_t sensorBuild = 14000;  // 0: its code damaged
  uint32_t wifi = 0;             // present, absent, damaged
  bool clockOff = false;
  bool realtimeOpen = false;
  bool jobOpen = false;
};

inline constexpr const char* kXLoaderVersions[] = {"5.00", "6.00", "7.00"};
inline constexpr const char* kCodeAges[] = {"older", "equal", "newer", "damaged"};
inline constexpr const char* kWifiStates[] = {"present", "absent", "damaged"};

WriterState StartOf(const WriterChoice& choice);
std::string TextOf(const WriterChoice& choice);

// Everything one seed decides: the writer as it starts, the answers to the
// program's questions (then yes), and the faults of the first run.
struct RunPlan {
  uint64_t seed = 0;
  WriterChoice writer;
  std::vector<int> answers;
  FaultSet faults;
  bool tail = true;  // then the fault-free tail
};

// What a seed's runs came to.
struct SeedResult {
  std::string violation;           // empty: every check held
  std::string brickCause;          // the fault after which the writer no longer starts
  std::vector<std::string> fired;  // "kind@request code"
  int tailRuns = 0;                // how many the tail took
  size_t cutOperationSize = 0;     // of the flash operation a power cut stopped
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

// A plan as a scenario file (sim/README.md) and back.
nlohmann::json ScenarioOf(const RunPlan& plan, const std::string& description);
RunPlan PlanOfScenario(const nlohmann::json& scenario);
// Drops faults, then plainer writer choices, while the plan still breaks a rule.
RunPlan Shrink(RunPlan plan, bool plantedDefect = false);

// The command that replays one seed alone, with everything printed.
std::string ReplayCommand(uint64_t seed);

// Every fault kind, the names SimWriter::firedFaults() gives them.
const std::vector<std::string>& FaultKinds();

}  // namespace solvane::simulation
