#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace solvane {

struct TranscriptEntry {
  int64_t timeMs = 0;
  bool request = false;
  uint32_t bytes = 0;  // packet size; 0 for a reply that was not sent
  uint16_t code = 0;
  uint32_t sequence = 0;
  uint32_t params[5] = {};
  uint32_t length = 0;
  uint32_t payloadCrc = 0;  // CRC register of the payload bytes present
  // A request the display carried out: the text it shows now ("" once cleared).
  std::optional<std::string> display;
};

// Every request and reply, as JSON lines to a sink and optionally kept in memory:
// a recording (device/RECORDING.md) seen from the writer. A request line
// carries "display" with the text the writer's display showed for it.
class Transcript {
 public:
  Transcript(std::ostream* sink, bool keepEntries);

  void Record(int64_t timeMs,
              bool request,
              std::span<const uint8_t> packet,
              const std::optional<std::string>& display = std::nullopt);

  const std::vector<TranscriptEntry>& entries() const { return entries_; }

 private:
  std::ostream* sink_;
  bool keepEntries_;
  std::vector<TranscriptEntry> entries_;
};

}  // namespace solvane
