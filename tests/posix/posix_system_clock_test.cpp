#include "platform/posix/posix_system_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

namespace solvane {
namespace {

// Runs in time zone `tz` for the length of a scope.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) {
      old_ = old;
    }
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

constexpr int64_t kWinter = 1767225600;  // 2026-01-01 00:00:00 UTC
constexpr int64_t kSummer = 1782864000;  // 2026-07-01 00:00:00 UTC
constexpr int64_t kAutumn = 1792972800;  // 2026-10-26 00:00:00 UTC, after daylight saving time

// What the update run computes as the PC's local time from the biases.
int64_t PcLocalTime(const PosixSystemClock& clock, int64_t time) {
  TimeZoneBiases zone = clock.TimeZoneAt(time);
  bool daylight = clock.LocalTime(time).tm_isdst > 0;
  return time - 60 * int64_t{zone.bias} -
         60 * int64_t{daylight ? zone.daylightBias : zone.standardBias};
}

TEST(PosixSystemClock, BiasesAsWindowsReportsThem) {
  struct Case {
    const char* tz;
    int32_t bias;
    int32_t daylightBias;
  };
  for (const Case& c :
       {Case{"UTC", 0, 0}, Case{"EST5EDT", 300, -60}, Case{"Europe/Berlin", -60, -60},
        Case{"Asia/Kolkata", -330, 0}, Case{"Australia/Lord_Howe", -630, -30}}) {
    SCOPED_TRACE(c.tz);
    ScopedTimeZone zone(c.tz);
    PosixSystemClock clock;
    for (int64_t time : {kWinter, kSummer, kAutumn}) {
      TimeZoneBiases biases = clock.TimeZoneAt(time);
      EXPECT_EQ(biases.bias, c.bias);
      EXPECT_EQ(biases.standardBias, 0);
      EXPECT_EQ(biases.daylightBias, c.daylightBias);
    }
  }
}

TEST(PosixSystemClock, LocalTimeFromTheBiasesIsTimePlusTheUtcOffset) {
  for (const char* tz : {"UTC", "EST5EDT", "Europe/Berlin", "America/Sao_Paulo", "Asia/Kolkata",
                         "Australia/Lord_Howe"}) {
    SCOPED_TRACE(tz);
    ScopedTimeZone zone(tz);
    PosixSystemClock clock;
    for (int64_t time = kWinter; time < kWinter + 366 * 86400; time += 86400 * 5 + 3607) {
      ASSERT_EQ(PcLocalTime(clock, time), time + clock.LocalTime(time).tm_gmtoff) << time;
    }
  }
  {
    // Three days before Venezuela moved its clocks from -4:30 to -4:00.
    ScopedTimeZone zone("America/Caracas");
    PosixSystemClock clock;
    constexpr int64_t kBeforeTheChange = 1461801600;  // 2016-04-28 00:00:00 UTC
    EXPECT_EQ(PcLocalTime(clock, kBeforeTheChange), kBeforeTheChange - 16200);
  }
  ScopedTimeZone zone("Europe/Berlin");
  PosixSystemClock clock;
  EXPECT_EQ(PcLocalTime(clock, kWinter), kWinter + 3600);
  EXPECT_EQ(PcLocalTime(clock, kSummer), kSummer + 7200);
  EXPECT_EQ(clock.LocalTime(kSummer).tm_hour, 2);
}

}  // namespace
}  // namespace solvane
