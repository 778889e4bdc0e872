#pragma once

#include "device/device_access.h"
#include "device/run_recorder.h"

namespace solvane {

// Passes every call to the real device access and records it with its result.
class RecordingDeviceAccess final : public DeviceAccess {
 public:
  RecordingDeviceAccess(DeviceAccess& devices, RunRecorder& recorder)
      : devices_(devices), recorder_(recorder) {}

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

 private:
  DeviceAccess& devices_;
  RunRecorder& recorder_;
};

}  // namespace solvane
