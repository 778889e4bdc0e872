#include "platform/win32/windows_system_clock.h"

namespace solvane {

int64_t WindowsSystemClock::Now() const {
  return static_cast<int64_t>(std::time(nullptr));
}

std::tm WindowsSystemClock::LocalTime(int64_t time) const {
  const std::time_t value = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_s(&local, &value);
  return local;
}

TimeZoneBiases WindowsSystemClock::TimeZone() const {
  TIME_ZONE_INFORMATION zone{};
  if (timeZoneQuery_(&zone) == TIME_ZONE_ID_INVALID) {
    return {};
  }
  return {zone.Bias, zone.StandardBias, zone.DaylightBias};
}

}  // namespace solvane
