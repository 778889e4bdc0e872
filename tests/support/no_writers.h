#pragma once

#include <memory>
#include <string>

#include "device/device_access.h"
#include "device/windows_errors.h"

namespace solvane {

// A PC with no writer connected.
class NoWriters final : public DeviceAccess {
 public:
  uint32_t EnumerateInterface(const InterfaceClassGuid&, uint32_t, std::string&) override {
    return kErrorNoMoreItems;
  }
  uint32_t Open(const std::string&, std::unique_ptr<DeviceHandle>&) override {
    return kErrorFileNotFound;
  }
};

}  // namespace solvane
