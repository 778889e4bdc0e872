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
  replies_.clear();
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
  std::vector<uint8_t> reply;
  bool replied = writer_.Handle({data, size}, reply);
  clock_.Advance(writer_.lastBusyMs());
  written = size;
  if (replied) {
    replies_.push_back({std::move(reply), clock_.NowMs() + writer_.replyDelayMs()});
  }
  if (writer_.poweredOff()) {
    GoAway(writer_.replugMs());
  } else if (writer_.restartRequested() && replies_.empty()) {
    GoAway(writer_.RestartDurationMs());
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
  if (replies_.empty() || replies_.front().atMs > clock_.NowMs() + kReadTimeoutMs) {
    clock_.Advance(kReadTimeoutMs);
    return kErrorSemTimeout;
  }
  const Reply& reply = replies_.front();
  clock_.Advance(reply.atMs > clock_.NowMs() ? reply.atMs - clock_.NowMs() : 0);
  read = std::min<uint32_t>(capacity, static_cast<uint32_t>(reply.bytes.size()));
  std::memcpy(buffer, reply.bytes.data(), read);
  replies_.pop_front();
  if (writer_.restartRequested() && replies_.empty()) {
    GoAway(writer_.RestartDurationMs());
  }
  return kErrorSuccess;
}

// Away for a restart or an unplugging; empty: for good.
void InProcessDeviceAccess::GoAway(std::optional<uint32_t> forMs) {
  away_ = true;
  ++generation_;
  replies_.clear();
  backAtMs_.reset();
  if (forMs) {
    backAtMs_ = clock_.NowMs() + *forMs;
  }
}

void InProcessDeviceAccess::Poll() {
  if (!away_ || !backAtMs_ || clock_.NowMs() < *backAtMs_) {
    return;
  }
  if (writer_.poweredOff()) {
    writer_.PowerOn();
  } else {
    writer_.CompleteRestart();
  }
  away_ = writer_.poweredOff() || !writer_.Starts();
  if (away_) {
    backAtMs_.reset();
  }
}

}  // namespace solvane
