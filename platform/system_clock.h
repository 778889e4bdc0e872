#pragma once

#include <cstdint>
#include <ctime>

namespace solvane {

// The time zone biases in minutes, as Windows reports them: UTC = local time +
// bias (+ the standard or daylight bias).
struct TimeZoneBiases {
  int32_t bias = 0;
  int32_t standardBias = 0;
  int32_t daylightBias = 0;
};

// The PC's clock and time zone. The log dates its lines with it and the writer's
// clock is set from it; tests inject a fixed clock.
class SystemClock {
 public:
  virtual ~SystemClock() = default;
  // The C runtime's clock: seconds since 1970-01-01 00:00:00 UTC.
  virtual int64_t Now() const = 0;
  // The C runtime's local-time conversion of `time`, with tm_isdst.
  virtual std::tm LocalTime(int64_t time) const = 0;
  // The time zone information; all zeros when the system cannot tell.
  virtual TimeZoneBiases TimeZone() const = 0;
};

}  // namespace solvane
