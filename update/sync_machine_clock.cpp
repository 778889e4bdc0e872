// The writer's clock, kept to the PC's local time.
#include "update/kite_update_engine.h"

namespace solvane {

namespace {

constexpr uint32_t kClockToleranceSeconds = 300;

}  // namespace

uint32_t CKiteUpdateEngine::PcLocalTime() const {
  int64_t now = services_.clock.Now();
  TimeZoneBiases zone = services_.clock.TimeZone();
  bool daylight = services_.clock.LocalTime(now).tm_isdst > 0;
  int64_t local = now - 60 * int64_t{zone.bias} -
                  60 * int64_t{daylight ? zone.daylightBias : zone.standardBias};
  return static_cast<uint32_t>(local);
}

int CKiteUpdateEngine::SyncMachineClock() {
  uint32_t pcTime = PcLocalTime();
  uint32_t writerTime = 0;
  if (usb_.ExchangeClock(0, 0, &writerTime) != 0 || writerTime == pcTime) {
    return 0;
  }
  uint32_t difference = pcTime > writerTime ? pcTime - writerTime : writerTime - pcTime;
  if (difference > kClockToleranceSeconds &&
      ShowApplication("Your Steno Machine's date/time doesn't match the PC date/time.\nDo you want "
                      "it to match the PC date/time?",
                      kMbYesNo | kMbIconQuestion) != kIdYes) {
    return 0;
  }
  usb_.ExchangeClock(PcLocalTime(), 1);
  return 0;
}

}  // namespace solvane
