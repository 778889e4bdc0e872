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

  // The biases in force around `time`: the standard offset is the one of the
  // nearest instant outside daylight saving time, the daylight offset the one of
  // the nearest instant inside it, within half a year either way.
  TimeZoneBiases TimeZoneAt(int64_t time) const;
};

}  // namespace solvane
