#pragma once

#include "device/device_access.h"
#include "platform/win32/file_api.h"

namespace solvane {

// An opened device interface: a file handle for synchronous I/O.
class FileDeviceHandle final : public DeviceHandle {
 public:
  FileDeviceHandle(FileApi& api, HANDLE handle) : api_(api), handle_(handle) {}
  ~FileDeviceHandle() override;

  FileDeviceHandle(const FileDeviceHandle&) = delete;
  FileDeviceHandle& operator=(const FileDeviceHandle&) = delete;

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override;
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override;
  uint32_t Control(uint32_t controlCode) override;
  uint32_t Close() override;

 private:
  FileApi& api_;
  HANDLE handle_;
};

}  // namespace solvane
