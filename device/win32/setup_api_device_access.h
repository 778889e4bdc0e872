#pragma once

#include "device/device_access.h"
#include "device/win32/setup_api.h"
#include "platform/win32/file_api.h"

namespace solvane {

// Writers on Windows: the device interfaces of a class through the device setup
// services, opened as files.
class SetupApiDeviceAccess final : public DeviceAccess {
 public:
  SetupApiDeviceAccess(SetupApi& setupApi, FileApi& fileApi)
      : setupApi_(setupApi), fileApi_(fileApi) {}

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

 private:
  uint32_t ReadDevicePath(HDEVINFO set,
                          SP_DEVICE_INTERFACE_DATA& interface,
                          std::string& devicePath);

  SetupApi& setupApi_;
  FileApi& fileApi_;
};

}  // namespace solvane
