#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/transcript.h"

namespace solvane::engine_test {

// What a fault of the simulated writer counts to find its moment: the Nth
// request of a code, of a sub-command of the command request or of a selector
// of the partition query, or chunk N of a transfer.
struct TriggerKey {
  uint16_t code = 0;
  std::optional<uint32_t> subCommand = std::nullopt;
  std::optional<uint32_t> selector = std::nullopt;
  bool chunk = false;

  bool operator==(const TriggerKey&) const = default;
  std::string Describe(uint32_t number) const;
};

// The reply the writer gave at that moment of a run without faults.
struct ReplyFacts {
  uint16_t code = 0;
  uint32_t length = 0;
  uint32_t params[5] = {};
};

struct TriggerPoint {
  TriggerKey key;
  uint32_t number = 0;
  ReplyFacts reply;
};

// How often a run without faults made each kind of request, read from the
// simulator's transcript, and the moments of it a fault matrix samples: the
// first and last chunk or block of every transfer, read-back, WiFi write pass
// and sensor board write pass, and the first, middle and last of every other
// request.
class RunCensus {
 public:
  explicit RunCensus(const Transcript& transcript);

  // The sampled moments of the requests of these codes, in the order the run
  // first made them.
  std::vector<TriggerPoint> PointsOf(const std::vector<uint16_t>& codes) const;
  // Every request of each restart the writer came back from within the run:
  // the reset, the identification after it and the first text its display took.
  const std::vector<TriggerPoint>& restartPoints() const { return restartPoints_; }
  // Sampled counts of the WiFi flash writes and erases.
  std::vector<uint32_t> flashWrites() const;
  std::vector<uint32_t> flashErases() const;
  // X-Loader partition writes the writer carried out.
  uint32_t xLoaderWrites() const { return xLoaderWrites_; }
  // Queries of each partition selector, in the order first asked.
  const std::vector<std::pair<uint32_t, uint32_t>>& partitionQueries() const {
    return partitionQueries_;
  }
  // Restarts the writer came back from within the run; the final reset of a
  // run ends it, so no fault of that restart shows in the run.
  uint32_t restartsWithinRun() const { return restartsWithinRun_; }

 private:
  std::vector<uint32_t> NumbersOf(const TriggerKey& key) const;

  std::vector<TriggerPoint> points_;
  std::vector<TriggerPoint> restartPoints_;
  uint32_t xLoaderWrites_ = 0;
  std::vector<std::pair<uint32_t, uint32_t>> partitionQueries_;
  uint32_t restartsWithinRun_ = 0;
};

}  // namespace solvane::engine_test
