#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "device/device_access.h"
#include "sim/sim_writer.h"
#include "tests/support/virtual_clock.h"

namespace solvane {

// Lets the link talk to a SimWriter in the same process. Restarts run on the
// shared virtual clock: while the writer is away the class has no member (259)
// and handles report the device gone; once its restart time has passed on the
// clock it comes back, and only new handles reach it. A writer whose power
// went off stays away, unless it was unplugged and is plugged back in.
class InProcessDeviceAccess final : public DeviceAccess {
 public:
  static constexpr const char* kDevicePath = "sim://writer0";
  // A read without a reply waits this long for one, as the driver would.
  static constexpr uint32_t kReadTimeoutMs = 1000;

  InProcessDeviceAccess(SimWriter& writer, VirtualClock& clock);

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

  bool away() const { return away_; }

 private:
  class Handle;

  uint32_t Write(uint32_t generation, const uint8_t* data, uint32_t size, uint32_t& written);
  uint32_t Read(uint32_t generation, uint8_t* buffer, uint32_t capacity, uint32_t& read);
  bool Connected(uint32_t generation) const { return !away_ && generation == generation_; }
  void GoAway(std::optional<uint32_t> forMs);
  void Poll();

  struct Reply {
    std::vector<uint8_t> bytes;
    uint64_t atMs;  // when it reaches the host
  };

  SimWriter& writer_;
  VirtualClock& clock_;
  std::deque<Reply> replies_;  // a late reply may still be on its way when the next is sent
  uint32_t generation_ = 0;
  bool away_ = false;
  std::optional<uint64_t> backAtMs_;
};

}  // namespace solvane
