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

// Everything the writer holds. The sensor board's build is not kept here: the
// board reads it from its flash (SensorCodeBlock). `realtimeActive` and
// `jobOpen` describe one run of the simulator and are not saved.
struct WriterState {
  WriterIdentity identity;
  std::optional<PendingImage> pendingApplication;
  std::optional<PendingImage> pendingBoot;
  std::vector<uint8_t> xLoader;  // the X-Loader partition
  bool xLoaderIntact = true;     // false: its last write stopped part way
  std::vector<uint8_t> wifi;     // the WiFi module's whole flash
  std::vector<uint8_t> sensorFlash;
  int64_t clockOffsetSeconds = 0;
  std::set<std::string> files;
  bool realtimeActive = false;              // also makes "REALTIME.000" openable
  bool jobOpen = false;                     // a job file is open on the writer itself
  std::string displayText;                  // what the display shows now
  std::vector<std::string> displayHistory;  // every text it has shown, oldest first
};

}  // namespace solvane
