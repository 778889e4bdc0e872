#pragma once

#include "device/device_access.h"
#include "platform/call_runner.h"

namespace solvane {

// The device access of the program with every call made through a runner: the
// same calls on the same handles, in the same order, made where the runner
// makes them (a helper thread, while the window stays alive).
class ThreadedDeviceAccess final : public DeviceAccess {
 public:
  ThreadedDeviceAccess(DeviceAccess& devices, CallRunner& runner)
      : devices_(devices), runner_(runner) {}

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

 private:
  DeviceAccess& devices_;
  CallRunner& runner_;
};

}  // namespace solvane
