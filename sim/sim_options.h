#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/writer_state.h"

namespace solvane {

// Input the simulator refuses; the message names the flag, file or key.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command line of solvane-writer-sim. Every value is checked here, so a
// bad one stops the program before it serves.
struct SimOptions {
  std::string stateDir;
  std::optional<uint32_t> machineType;
  std::optional<uint32_t> applicationVersion;
  std::optional<uint32_t> applicationBuild;
  std::optional<bool> bootMode;
  std::optional<uint32_t> bootVersion;
  std::optional<uint32_t> bootBuild;
  std::optional<uint32_t> sensorBuild;
  std::optional<int64_t> clockOffsetSeconds;
  std::optional<std::string> xLoaderVersion;
  bool realtimeOpen = false;
  bool jobOpen = false;
  std::string scenario;
  std::vector<std::string> faults;
  std::string transcriptPath;
  std::string socketName = "writer0";
  bool realistic = false;
  bool printState = false;

  // Empty with `exitCode` set when the program ends here: help, or a usage error.
  static std::optional<SimOptions> Parse(int argc, char** argv, int& exitCode);

  // Puts the writer's own flags into a state loaded or fresh. The run's flags
  // (realtime, job) hold for this run only: they are never saved.
  void ApplyTo(WriterState& state) const;
};

}  // namespace solvane
