#pragma once

#include "platform/system_clock.h"

namespace solvane {

// The C library's clock and time zone (TZ, else /etc/localtime).
class PosixSystemClock final : public SystemClock {
 public:
  PosixSystemClock();

  int64_t Now() const override;
  std::tm LocalTime(int64_t time) const override;
  TimeZoneBiases TimeZone() const override;

  // The biases in force at `time`: the standard offset is the one of the first
  // instant outside daylight saving time from `time` on, the daylight offset the
  // one of the first instant inside it, within a year.
  TimeZoneBiases TimeZoneAt(int64_t time) const;
};

}  // namespace solvane
