#include "device/recording_device_access.h"

namespace solvane {

namespace {

class RecordingHandle final : public DeviceHandle {
 public:
  RecordingHandle(std::unique_ptr<DeviceHandle> handle, RunRecorder& recorder)
      : handle_(std::move(handle)), recorder_(recorder) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    uint32_t result = handle_->Write(data, size, written);
    recorder_.Write({data, size}, result, written);
    return result;
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    uint32_t result = handle_->Read(buffer, capacity, read);
    recorder_.Read({buffer, read}, capacity, result);
    return result;
  }
  uint32_t Control(uint32_t controlCode) override {
    uint32_t result = handle_->Control(controlCode);
    recorder_.Control(controlCode, result);
    return result;
  }
  uint32_t Close() override {
    uint32_t result = handle_->Close();
    recorder_.Close(result);
    return result;
  }

 private:
  std::unique_ptr<DeviceHandle> handle_;
  RunRecorder& recorder_;
};

}  // namespace

uint32_t RecordingDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                   uint32_t index,
                                                   std::string& devicePath) {
  uint32_t result = devices_.EnumerateInterface(interfaceClass, index, devicePath);
  recorder_.Enumerate(index, result);
  return result;
}

uint32_t RecordingDeviceAccess::Open(const std::string& devicePath,
                                     std::unique_ptr<DeviceHandle>& handle) {
  std::unique_ptr<DeviceHandle> opened;
  uint32_t result = devices_.Open(devicePath, opened);
  recorder_.Open(result);
  if (opened) {
    handle = std::make_unique<RecordingHandle>(std::move(opened), recorder_);
  }
  return result;
}

}  // namespace solvane
