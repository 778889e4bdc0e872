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

// The PC's clock and time zone as the run reads them, recorded.
class RecordingSystemClock final : public SystemClock {
 public:
  RecordingSystemClock(const SystemClock& clock, RunRecorder& recorder)
      : clock_(clock), recorder_(recorder) {}

  int64_t Now() const override;
  std::tm LocalTime(int64_t time) const override;
  TimeZoneBiases TimeZone() const override;

 private:
  const SystemClock& clock_;
  RunRecorder& recorder_;
};

}  // namespace solvane
