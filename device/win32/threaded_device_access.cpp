#include "device/win32/threaded_device_access.h"

namespace solvane {

namespace {

class ThreadedDeviceHandle final : public DeviceHandle {
 public:
  ThreadedDeviceHandle(std::unique_ptr<DeviceHandle> handle, CallRunner& runner)
      : handle_(std::move(handle)), runner_(runner) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    uint32_t result = 0;
    runner_.Run([&] { result = handle_->Write(data, size, written); });
    return result;
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    uint32_t result = 0;
    runner_.Run([&] { result = handle_->Read(buffer, capacity, read); });
    return result;
  }
  uint32_t Control(uint32_t controlCode) override {
    uint32_t result = 0;
    runner_.Run([&] { result = handle_->Control(controlCode); });
    return result;
  }
  uint32_t Close() override {
    uint32_t result = 0;
    runner_.Run([&] { result = handle_->Close(); });
    return result;
  }

 private:
  std::unique_ptr<DeviceHandle> handle_;
  CallRunner& runner_;
};

}  // namespace

uint32_t ThreadedDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                  uint32_t index,
                                                  std::string& devicePath) {
  uint32_t result = 0;
  runner_.Run([&] { result = devices_.EnumerateInterface(interfaceClass, index, devicePath); });
  return result;
}

uint32_t ThreadedDeviceAccess::Open(const std::string& devicePath,
                                    std::unique_ptr<DeviceHandle>& handle) {
  std::unique_ptr<DeviceHandle> opened;
  uint32_t result = 0;
  runner_.Run([&] { result = devices_.Open(devicePath, opened); });
  if (opened) {
    handle = std::make_unique<ThreadedDeviceHandle>(std::move(opened), runner_);
  }
  return result;
}

}  // namespace solvane
