#pragma once

#include "sim/host_time.h"

namespace solvane {

// The real clock with the local time zone's offset applied.
class SystemHostTime final : public HostTime {
 public:
  int64_t LocalMs() const override;
};

}  // namespace solvane
