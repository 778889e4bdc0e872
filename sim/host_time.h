#pragma once

#include <cstdint>

namespace solvane {

// The host's local time in milliseconds since 1970-01-01 00:00:00, counted in
// local time as the updater counts the writer's clock.
class HostTime {
 public:
  virtual ~HostTime() = default;
  virtual int64_t LocalMs() const = 0;
};

}  // namespace solvane
