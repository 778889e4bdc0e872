#pragma once

#include "sim/host_time.h"
#include "tests/support/virtual_clock.h"

namespace solvane {

// Host time that runs on a virtual clock, from a fixed local start time.
class VirtualHostTime final : public HostTime {
 public:
  static constexpr int64_t kDefaultStartMs = 1767225600000;  // 2026-01-01 00:00:00

  explicit VirtualHostTime(const VirtualClock& clock, int64_t startMs = kDefaultStartMs)
      : clock_(clock), startMs_(startMs) {}

  int64_t LocalMs() const override { return startMs_ + static_cast<int64_t>(clock_.NowMs()); }

 private:
  const VirtualClock& clock_;
  int64_t startMs_;
};

}  // namespace solvane
