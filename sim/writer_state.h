#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/writer_identity.h"

namespace solvane {

// Application or boot code installed but not yet running: it takes effect at
// the next restart.
struct PendingImage {
  bool valid = false;  // the image carried a proper header
  uint32_t versionWord = 0;
  uint32_t build = 0;
};

// Everything the writer keeps across restarts and across runs of the sim.
struct WriterState {
  WriterIdentity identity;
  std::optional<PendingImage> pendingApplication;
  std::optional<PendingImage> pendingBoot;
  std::vector<uint8_t> xLoader;  // the X-Loader partition
  std::vector<uint8_t> wifi;     // the WiFi module's whole flash
  std::vector<uint8_t> sensorFlash;
  uint32_t sensorBuild = 14000;
  uint32_t sensorNewBuild = 14760;
  int64_t clockOffsetSeconds = 0;
  std::set<std::string> files;
  bool realtimeActive = false;
};

}  // namespace solvane
