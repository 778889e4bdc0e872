#include "device/recording_system_clock.h"

namespace solvane {

int64_t RecordingSystemClock::Now() const {
  int64_t time = clock_.Now();
  recorder_.Now(time);
  return time;
}

std::tm RecordingSystemClock::LocalTime(int64_t time) const {
  std::tm local = clock_.LocalTime(time);
  recorder_.LocalTime(time, local);
  return local;
}

TimeZoneBiases RecordingSystemClock::TimeZone() const {
  TimeZoneBiases zone = clock_.TimeZone();
  recorder_.TimeZone(zone);
  return zone;
}

}  // namespace solvane
