#include "platform/win32/windows_system_clock.h"

#include <gtest/gtest.h>

#include "app/kite_update_dlg.h"
#include "tests/win32/test_services.h"

namespace solvane {
namespace {

// 2023-07-01 12:00:00 UTC and 2023-01-06 12:00:00 UTC.
constexpr int64_t kSummerNoon = 1688212800;
constexpr int64_t kWinterNoon = 1673006400;

DWORD WINAPI InvalidZone(LPTIME_ZONE_INFORMATION zone) {
  zone->Bias = 123;
  zone->StandardBias = 45;
  zone->DaylightBias = -67;
  return TIME_ZONE_ID_INVALID;
}

DWORD WINAPI UnknownZone(LPTIME_ZONE_INFORMATION zone) {
  *zone = {};
  zone->Bias = -330;
  return TIME_ZONE_ID_UNKNOWN;
}

TEST(WindowsSystemClock, OnlyAnInvalidZoneCountsAsBiasesOfZero) {
  TimeZoneBiases invalid = WindowsSystemClock(&InvalidZone).TimeZone();
  EXPECT_EQ(invalid.bias, 0);
  EXPECT_EQ(invalid.standardBias, 0);
  EXPECT_EQ(invalid.daylightBias, 0);
  EXPECT_EQ(WindowsSystemClock(&UnknownZone).TimeZone().bias, -330);
}

// The wine tests run with TZ=EST5EDT, which Windows and its C runtime read alike.
TEST(WindowsSystemClock, EasternTimeFromWindowsAndTheCRuntime) {
  WindowsSystemClock clock;
  TimeZoneBiases zone = clock.TimeZone();
  EXPECT_EQ(zone.bias, 300);
  EXPECT_EQ(zone.standardBias, 0);
  EXPECT_EQ(zone.daylightBias, -60);

  std::tm summer = clock.LocalTime(kSummerNoon);
  EXPECT_GT(summer.tm_isdst, 0);
  EXPECT_EQ(summer.tm_hour, 8);
  std::tm winter = clock.LocalTime(kWinterNoon);
  EXPECT_EQ(winter.tm_isdst, 0);
  EXPECT_EQ(winter.tm_hour, 7);
}

// The Windows clock at a chosen instant.
class WindowsClockAt final : public SystemClock {
 public:
  explicit WindowsClockAt(int64_t now) : now_(now) {}
  int64_t Now() const override { return now_; }
  std::tm LocalTime(int64_t time) const override { return windows_.LocalTime(time); }
  TimeZoneBiases TimeZone() const override { return windows_.TimeZone(); }

 private:
  WindowsSystemClock windows_;
  int64_t now_;
};

TEST(WindowsSystemClock, WritersClockTakesTheDaylightBiasOnlyInSummer) {
  test::TestServices services;
  WindowsClockAt summer(kSummerNoon);
  CKiteUpdate100Dlg summerDialog(services.With(summer));
  EXPECT_EQ(summerDialog.PcLocalTime(), static_cast<uint32_t>(kSummerNoon - 4 * 3600));

  WindowsClockAt winter(kWinterNoon);
  CKiteUpdate100Dlg winterDialog(services.With(winter));
  EXPECT_EQ(winterDialog.PcLocalTime(), static_cast<uint32_t>(kWinterNoon - 5 * 3600));
}

}  // namespace
}  // namespace solvane
