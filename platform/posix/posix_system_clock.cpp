#include "platform/posix/posix_system_clock.h"

#include <optional>

namespace solvane {

namespace {

constexpr int64_t kSecondsPerDay = int64_t{24} * 60 * 60;
// Weekly steps over a year find every daylight saving period, the shortest of
// which last about a month.
constexpr int64_t kSearchStep = 7 * kSecondsPerDay;
constexpr int kSearchSteps = 53;

}  // namespace

PosixSystemClock::PosixSystemClock() {
  // localtime_r need not read TZ itself.
  tzset();
}

int64_t PosixSystemClock::Now() const {
  return static_cast<int64_t>(std::time(nullptr));
}

std::tm PosixSystemClock::LocalTime(int64_t time) const {
  std::time_t seconds = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_r(&seconds, &local);
  return local;
}

TimeZoneBiases PosixSystemClock::TimeZoneAt(int64_t time) const {
  std::optional<long> standardOffset;
  std::optional<long> daylightOffset;
  for (int step = 0; step <= kSearchSteps && !(standardOffset && daylightOffset); ++step) {
    std::tm local = LocalTime(time + step * kSearchStep);
    std::optional<long>& offset = local.tm_isdst > 0 ? daylightOffset : standardOffset;
    if (!offset) {
      offset = local.tm_gmtoff;
    }
  }

  // A zone on daylight saving time all year round keeps its offset as standard.
  long standard = standardOffset.value_or(daylightOffset.value_or(0));
  long daylight = daylightOffset.value_or(standard);
  TimeZoneBiases biases;
  biases.bias = static_cast<int32_t>(-standard / 60);
  biases.standardBias = 0;
  biases.daylightBias = static_cast<int32_t>(-(daylight - standard) / 60);
  return biases;
}

TimeZoneBiases PosixSystemClock::TimeZone() const {
  return TimeZoneAt(Now());
}

}  // namespace solvane
