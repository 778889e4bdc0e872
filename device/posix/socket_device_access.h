#pragma once

#include <chrono>

#include "device/device_access.h"

namespace solvane {

// Writers on Linux: each connected writer is a Unix-domain SOCK_SEQPACKET socket
// in the folder of its interface class (DeviceFolder), so one write is one
// packet and one read one reply. Interfaces are enumerated in name order.
class SocketDeviceAccess final : public DeviceAccess {
 public:
  // A read that sees no reply within `readTimeout` reports none, so a silent
  // writer cannot hang the program; the next write then connects afresh, so that
  // the late reply cannot pass for the answer to a later request.
  explicit SocketDeviceAccess(std::chrono::milliseconds readTimeout = std::chrono::seconds(30));

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override;
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override;

 private:
  std::chrono::milliseconds readTimeout_;
};

}  // namespace solvane
