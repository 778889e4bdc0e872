#pragma once

#include <cstddef>
#include <cstdint>

namespace solvane {

// How long the writer takes. Instant by default; the realistic figures are a
// high-speed USB link, a slow serial flash and a restart of a few seconds.
struct SimTiming {
  uint32_t usbBytesPerMs = 0;  // 0: no cost
  uint32_t flashBytesPerMs = 0;
  uint32_t eraseMsPerBlock = 0;
  uint32_t restartMs = 0;

  static SimTiming Realistic() { return {20000, 400, 50, 4000}; }

  uint32_t UsbMs(size_t bytes) const { return Cost(bytes, usbBytesPerMs); }
  uint32_t FlashMs(size_t bytes) const { return Cost(bytes, flashBytesPerMs); }

 private:
  static uint32_t Cost(size_t bytes, uint32_t perMs) {
    return perMs == 0 ? 0 : static_cast<uint32_t>(bytes / perMs);
  }
};

}  // namespace solvane
