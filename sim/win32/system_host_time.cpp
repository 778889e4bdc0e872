#include "sim/system_host_time.h"

#include "platform/win32/windows_api.h"

#include <chrono>

namespace solvane {

int64_t SystemHostTime::LocalMs() const {
  int64_t utcMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  TIME_ZONE_INFORMATION zone{};
  DWORD kind = GetTimeZoneInformation(&zone);
  LONG biasMinutes = zone.Bias;
  if (kind == TIME_ZONE_ID_DAYLIGHT) {
    biasMinutes += zone.DaylightBias;
  } else if (kind == TIME_ZONE_ID_STANDARD) {
    biasMinutes += zone.StandardBias;
  }
  // The bias is what local time adds to give UTC.
  return utcMs - int64_t{biasMinutes} * 60000;
}

}  // namespace solvane
