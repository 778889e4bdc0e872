#pragma once

#include "platform/system_clock.h"
#include "platform/win32/windows_api.h"

namespace solvane {

// The C runtime's clock and local time, and the time zone Windows reports.
class WindowsSystemClock final : public SystemClock {
 public:
  using TimeZoneQuery = DWORD(WINAPI*)(LPTIME_ZONE_INFORMATION);

  explicit WindowsSystemClock(TimeZoneQuery timeZoneQuery = &GetTimeZoneInformation)
      : timeZoneQuery_(timeZoneQuery) {}

  int64_t Now() const override;
  std::tm LocalTime(int64_t time) const override;
  // Zeros when Windows cannot tell (TIME_ZONE_ID_INVALID).
  TimeZoneBiases TimeZone() const override;

 private:
  TimeZoneQuery timeZoneQuery_;
};

}  // namespace solvane
