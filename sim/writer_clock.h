#pragma once

#include <cstdint>

#include "sim/host_time.h"

namespace solvane {

// The writer's own clock: host local seconds plus the offset it was set to.
class WriterClock {
 public:
  WriterClock(const HostTime& hostTime, int64_t offsetSeconds)
      : hostTime_(hostTime), offsetSeconds_(offsetSeconds) {}

  uint32_t Now() const;
  void Set(uint32_t time);

  int64_t offsetSeconds() const { return offsetSeconds_; }

 private:
  int64_t HostSeconds() const;

  const HostTime& hostTime_;
  int64_t offsetSeconds_;
};

}  // namespace solvane
