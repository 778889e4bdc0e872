#include "sim/in_process_device_access.h"

#include <algorithm>
#include <cstring>

#include "device/windows_errors.h"

namespace solvane {

class InProcessDeviceAccess::Handle final : public DeviceHandle {
 public:
  Handle(InProcessDeviceAccess& access, uint32_t generation)
      : access_(access), generation_(generation) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    return access_.Write(generation_, data, size, written);
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    return access_.Read(generation_, buffer, capacity, read);
  }
  uint32_t Control(uint32_t /*controlCode*/) override {
    return access_.Connected(generation_) ? kErrorSuccess : kErrorDeviceNotConnected;
  }
  uint32_t Close() override { return kErrorSuccess; }

 private:
  InProcessDeviceAccess& access_;
  uint32_t generation_;
};

InProcessDeviceAccess::InProcessDeviceAccess(SimWriter& writer, VirtualClock& clock)
    : writer_(writer), clock_(clock) {}

uint32_t InProcessDeviceAccess::EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                                                   uint32_t index,
                                                   std::string& devicePath) {
  Poll();
  if (away_ || index != 0 ||
      std::memcmp(interfaceClass.bytes, kWriterInterfaceClass.bytes, 16) != 0) {
    return kErrorNoMoreItems;
  }
  devicePath = kDevicePath;
  return kErrorSuccess;
}

uint32_t InProcessDeviceAccess::Open(const std::string& devicePath,
                                     std::unique_ptr<DeviceHandle>& handle) {
  Poll();
  if (away_ || devicePath != kDevicePath) {
    return kErrorFileNotFound;
  }
  replyPending_ = false;
  handle = std::make_unique<Handle>(*this, generation_);
  return kErrorSuccess;
}

uint32_t InProcessDeviceAccess::Write(uint32_t generation,
                                      const uint8_t* data,
                                      uint32_t size,
                                      uint32_t& written) {
  written = 0;
  if (!Connected(generation)) {
    return kErrorDeviceNotConnected;
  }
  replyPending_ = writer_.Handle({data, size}, reply_);
  clock_.Advance(writer_.lastBusyMs());
  written = size;
  if (writer_.restartRequested() && !replyPending_) {
    BeginRestart();
  }
  return kErrorSuccess;
}

uint32_t InProcessDeviceAccess::Read(uint32_t generation,
                                     uint8_t* buffer,
                                     uint32_t capacity,
                                     uint32_t& read) {
  read = 0;
  if (!Connected(generation)) {
    return kErrorDeviceNotConnected;
  }
  if (!replyPending_) {
    clock_.Advance(kReadTimeoutMs);
    return kErrorSemTimeout;
  }
  read = std::min<uint32_t>(capacity, static_cast<uint32_t>(reply_.size()));
  std::memcpy(buffer, reply_.data(), read);
  replyPending_ = false;
  if (writer_.restartRequested()) {
    BeginRestart();
  }
  return kErrorSuccess;
}

void InProcessDeviceAccess::BeginRestart() {
  away_ = true;
  ++generation_;
  std::optional<uint32_t> duration = writer_.RestartDurationMs();
  backAtMs_.reset();
  if (duration) {
    backAtMs_ = clock_.NowMs() + *duration;
  }
}

void InProcessDeviceAccess::Poll() {
  if (away_ && backAtMs_ && clock_.NowMs() >= *backAtMs_) {
    writer_.CompleteRestart();
    away_ = false;
  }
}

}  // namespace solvane
