#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "device/device_access.h"
#include "device/kite_usb.h"
#include "device/request_codes.h"
#include "device/windows_errors.h"
#include "platform/progress.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/virtual_clock.h"

namespace solvane::test {

using Params = std::array<uint32_t, 5>;
using Bytes = std::vector<uint8_t>;

// A packet with a header whose length field may claim more than the payload.
inline Bytes Packet(uint16_t code, uint32_t length, const Params& params, const Bytes& payload) {
  PacketHeader header{.magic = kPacketMagic, .code = code, .length = length};
  std::copy(params.begin(), params.end(), header.param);
  Bytes bytes(kPacketHeaderSize);
  EncodePacketHeader(header, bytes.data());
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

inline Bytes Pairs(std::initializer_list<std::pair<uint32_t, uint32_t>> pairs) {
  Bytes bytes;
  for (auto [key, value] : pairs) {
    bytes.resize(bytes.size() + 8);
    StoreLe32(bytes.data() + bytes.size() - 8, key);
    StoreLe32(bytes.data() + bytes.size() - 4, value);
  }
  return bytes;
}

// The script and the record of a scripted writer. Each read takes the next
// scripted reply; an empty one, or an exhausted script, delivers nothing.
struct FakeWriter {
  std::deque<Bytes> replies;
  int failingWrites = 0;  // the next attempts that take nothing
  uint32_t enumerateError = kErrorSuccess;
  uint32_t openError = kErrorSuccess;
  uint32_t closeError = kErrorSuccess;
  bool openGivesNoHandle = false;  // Open reports success but hands out nothing

  std::vector<Bytes> packets;      // every packet written
  std::vector<std::string> calls;  // every call, in order
  bool enumeratedWriterClass = false;
  uint32_t readCapacity = 0;  // what the last read was allowed to deliver

  void Reply(uint16_t code, const Params& params = {}, const Bytes& payload = {}) {
    replies.push_back(Packet(code, static_cast<uint32_t>(payload.size()), params, payload));
  }
  void ReplyRaw(Bytes bytes) { replies.push_back(std::move(bytes)); }
  void Silence() { replies.emplace_back(); }

  PacketHeader Header(size_t i) const { return DecodePacketHeader(packets.at(i).data()); }
  Bytes Payload(size_t i) const {
    return Bytes(packets.at(i).begin() + kPacketHeaderSize, packets.at(i).end());
  }
  size_t Count(const std::string& call) const {
    return static_cast<size_t>(std::count(calls.begin(), calls.end(), call));
  }
};

class FakeDeviceHandle final : public DeviceHandle {
 public:
  explicit FakeDeviceHandle(FakeWriter& writer) : writer_(writer) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    writer_.calls.push_back("write");
    if (writer_.failingWrites > 0) {
      --writer_.failingWrites;
      written = 0;
      return kErrorGenFailure;
    }
    writer_.packets.emplace_back(data, data + size);
    written = size;
    return kErrorSuccess;
  }
  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    writer_.calls.push_back("read");
    writer_.readCapacity = capacity;
    read = 0;
    if (writer_.replies.empty()) {
      return kErrorSemTimeout;
    }
    Bytes reply = std::move(writer_.replies.front());
    writer_.replies.pop_front();
    read = std::min(static_cast<uint32_t>(reply.size()), capacity);
    std::copy_n(reply.begin(), read, buffer);
    return read == 0 ? kErrorSemTimeout : kErrorSuccess;
  }
  uint32_t Control(uint32_t controlCode) override {
    writer_.calls.push_back("control " + std::to_string(controlCode));
    return kErrorSuccess;
  }
  uint32_t Close() override {
    writer_.calls.push_back("close");
    return writer_.closeError;
  }

 private:
  FakeWriter& writer_;
};

class FakeDeviceAccess final : public DeviceAccess {
 public:
  static constexpr const char* kPath = "fake://writer0";
  explicit FakeDeviceAccess(FakeWriter& writer) : writer_(writer) {}

  uint32_t EnumerateInterface(const InterfaceClassGuid& interfaceClass,
                              uint32_t index,
                              std::string& devicePath) override {
    writer_.calls.push_back("enumerate " + std::to_string(index));
    writer_.enumeratedWriterClass =
        std::memcmp(interfaceClass.bytes, kWriterInterfaceClass.bytes, 16) == 0;
    if (writer_.enumerateError != kErrorSuccess) {
      return writer_.enumerateError;
    }
    devicePath = kPath;
    return kErrorSuccess;
  }
  uint32_t Open(const std::string& devicePath, std::unique_ptr<DeviceHandle>& handle) override {
    writer_.calls.push_back("open " + devicePath);
    if (writer_.openError != kErrorSuccess) {
      return writer_.openError;
    }
    if (writer_.openGivesNoHandle) {
      return kErrorSuccess;
    }
    handle = std::make_unique<FakeDeviceHandle>(writer_);
    return kErrorSuccess;
  }

 private:
  FakeWriter& writer_;
};

// A link on a scripted writer, with a virtual clock for its waits.
// The calls a transfer made on its bar: "start N", "+N" per chunk, "end".
class ProgressCalls final : public Progress {
 public:
  std::vector<std::string> calls;
  void Start(uint64_t totalBytes) override {
    calls.push_back(std::string("start ").append(std::to_string(totalBytes)));
  }
  void Advance(uint64_t bytes) override {
    calls.push_back(std::string("+").append(std::to_string(bytes)));
  }
  void End() override { calls.push_back("end"); }
};

class LinkTest : public ::testing::Test {
 protected:
  // Opens the link and identifies the writer as `machineType`, then forgets
  // the packets so far.
  void Connect(uint32_t machineType = 20,
               uint32_t versionWord = 0x01020300,
               uint32_t bootMode = 0) {
    ASSERT_EQ(link_->Open(), kErrorSuccess);
    writer_.Reply(kIdentify, {machineType, versionWord, bootMode, 1234});
    ASSERT_EQ(link_->Identify(), 0u);
    writer_.packets.clear();
    writer_.calls.clear();
  }

  FakeWriter writer_;
  FakeDeviceAccess access_{writer_};
  VirtualClock clock_;
  RecordingMessageBoxes boxes_;
  ProgressCalls progress_;
  std::unique_ptr<CKiteUsb> link_ = std::make_unique<CKiteUsb>(access_, clock_, boxes_);
};

}  // namespace solvane::test
