#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/device_access.h"
#include "device/kite_usb.h"
#include "device/packet_header.h"
#include "platform/message_boxes.h"
#include "tests/support/virtual_clock.h"

// Every request of the link against a writer whose replies come from the
// fuzzer: how many bytes a read delivers, the reply code, the length field, the
// parameters and the payload. Every buffer handed to the link is exactly sized,
// so the sanitizers catch a copy past the bytes received or past the caller's
// buffer; every packet the link writes must be one header and the payload its
// length field gives, and the identity must stay in range.
namespace {

using solvane::CKiteUsb;
using solvane::kMaxPacket;
using solvane::kMaxPayload;
using solvane::kPacketHeaderSize;
using solvane::NoProgress;

void Require(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// The codes the link knows, so that most replies get past the code check.
constexpr uint16_t kKnownCodes[] = {0x0001, 0x0002, 0x0005, 0x0006, 0x0007, 0x0011,
                                    0x0012, 0x0025, 0x0040, 0x0050, 0x0051, 0x0060,
                                    0x1009, 0x100A, 0x100B, 0xE005, 0xE019, 0xE023};

class FuzzedWriter final : public solvane::DeviceHandle {
 public:
  explicit FuzzedWriter(FuzzedDataProvider& input) : input_(input) {}

  uint32_t Write(const uint8_t* data, uint32_t size, uint32_t& written) override {
    Require(size >= kPacketHeaderSize && size <= kMaxPacket);
    solvane::PacketHeader header = solvane::DecodePacketHeader(data);
    Require(header.magic == solvane::kPacketMagic);
    Require(header.length <= kMaxPayload && size == kPacketHeaderSize + header.length);
    written = input_.ConsumeIntegralInRange(0, 15) == 0 ? 0 : size;
    return written != 0 ? 0 : 31;
  }

  uint32_t Read(uint8_t* buffer, uint32_t capacity, uint32_t& read) override {
    Require(capacity == kMaxPacket);
    read = 0;
    uint32_t delivered = Delivered();
    if (delivered == 0) {
      return 121;  // timed out
    }
    solvane::PacketHeader header{.magic = solvane::kPacketMagic};
    header.code = input_.ConsumeBool() ? input_.PickValueInArray(kKnownCodes)
                                       : input_.ConsumeIntegral<uint16_t>();
    uint32_t payload = delivered > kPacketHeaderSize ? delivered - kPacketHeaderSize : 0;
    switch (input_.ConsumeIntegralInRange(0, 2)) {
      case 0:
        header.length = payload;
        break;
      case 1:
        header.length = input_.ConsumeIntegralInRange<uint32_t>(0, 1024);
        break;
      default:
        header.length = input_.ConsumeIntegral<uint32_t>();
        break;
    }
    for (uint32_t& param : header.param) {
      param = input_.ConsumeIntegral<uint32_t>();
    }
    uint8_t packet[kPacketHeaderSize];
    solvane::EncodePacketHeader(header, packet);
    std::copy_n(packet, std::min<uint32_t>(delivered, kPacketHeaderSize), buffer);
    // The payload starts with fuzzed bytes; a long one goes on in a fixed pattern.
    std::vector<uint8_t> bytes = input_.ConsumeBytes<uint8_t>(std::min<uint32_t>(payload, 64));
    for (uint32_t i = 0; i < payload; ++i) {
      buffer[kPacketHeaderSize + i] = i < bytes.size() ? bytes[i] : static_cast<uint8_t>(i);
    }
    read = delivered;
    return 0;
  }

  uint32_t Control(uint32_t) override { return 0; }
  uint32_t Close() override { return input_.ConsumeIntegralInRange(0, 15) == 0 ? 6 : 0; }

 private:
  // Nothing, a short read, a whole header with some payload, or a whole packet.
  uint32_t Delivered() {
    switch (input_.ConsumeIntegralInRange(0, 5)) {
      case 0:
        return 0;
      case 1:
        return input_.ConsumeIntegralInRange<uint32_t>(1, kPacketHeaderSize);
      case 2:
        return static_cast<uint32_t>(kMaxPacket) - input_.ConsumeIntegralInRange<uint32_t>(0, 2);
      default:
        return static_cast<uint32_t>(kPacketHeaderSize) +
               input_.ConsumeIntegralInRange<uint32_t>(0, 600);
    }
  }

  FuzzedDataProvider& input_;
};

class FuzzedAccess final : public solvane::DeviceAccess {
 public:
  explicit FuzzedAccess(FuzzedDataProvider& input) : input_(input) {}

  uint32_t EnumerateInterface(const solvane::InterfaceClassGuid&,
                              uint32_t,
                              std::string& devicePath) override {
    devicePath = "fuzz";
    return input_.ConsumeIntegralInRange(0, 15) == 0 ? 259 : 0;
  }
  uint32_t Open(const std::string&, std::unique_ptr<solvane::DeviceHandle>& handle) override {
    switch (input_.ConsumeIntegralInRange(0, 15)) {
      case 0:
        return 5;
      case 1:
        return 0;  // success without a handle
      default:
        handle = std::make_unique<FuzzedWriter>(input_);
        return 0;
    }
  }

 private:
  FuzzedDataProvider& input_;
};

class CheckedMessageBoxes final : public solvane::MessageBoxes {
 public:
  int Show(std::string_view text, std::string_view, uint32_t) override {
    Require(!text.empty());
    return solvane::kIdOk;
  }
  int ShowApplication(std::string_view text, uint32_t) override {
    Require(!text.empty());
    return solvane::kIdOk;
  }
};

// Mostly small, sometimes at the edge of what one packet holds.
uint32_t Size(FuzzedDataProvider& input, uint32_t edge) {
  return input.ConsumeBool() ? input.ConsumeIntegralInRange<uint32_t>(0, 300)
                             : edge - 2 + input.ConsumeIntegralInRange<uint32_t>(0, 3);
}

// An image for a transfer: a few bytes, or a few chunks of either size.
std::vector<uint8_t> Image(FuzzedDataProvider& input) {
  uint32_t length = input.ConsumeBool() ? input.ConsumeIntegralInRange<uint32_t>(0, 300)
                                        : input.ConsumeIntegralInRange<uint32_t>(0, 140000);
  return std::vector<uint8_t>(length, 0x5A);
}

void MakeOneRequest(CKiteUsb& link, FuzzedDataProvider& input) {
  uint32_t a = 0, b = 0, c = 0, d = 0;
  NoProgress progress;
  switch (input.ConsumeIntegralInRange(0, 20)) {
    case 0:
      link.Open();
      break;
    case 1:
      link.Close();
      break;
    case 2:
      link.Identify(&a, &b, &c, &d);
      break;
    case 3:
      link.ReadBootVersions(&a, &b, &c, &d);
      break;
    case 4: {
      std::vector<uint8_t> payload(Size(input, 65536), 0x11);
      std::vector<uint8_t> reply(input.ConsumeIntegralInRange<uint32_t>(0, 600));
      uint32_t replyLength = 0;
      link.SendCommand(input.ConsumeIntegral<uint32_t>(), payload.data(),
                       static_cast<uint32_t>(payload.size()), reply.data(),
                       static_cast<uint32_t>(reply.size()), &replyLength);
      break;
    }
    case 5:
      link.QueryPartition(input.ConsumeIntegral<uint32_t>(), &a);
      break;
    case 6: {
      std::vector<uint8_t> destination(Size(input, 65536));
      link.ReadMemory(input.ConsumeIntegral<uint32_t>(), static_cast<uint32_t>(destination.size()),
                      destination.data());
      break;
    }
    case 7:
      link.EraseFlash(input.ConsumeIntegral<uint32_t>(), input.ConsumeIntegral<uint32_t>());
      break;
    case 8: {
      std::vector<uint8_t> data(Size(input, 65536), 0x22);
      link.WriteFlash(data.data(), input.ConsumeIntegral<uint32_t>(),
                      static_cast<uint32_t>(data.size()));
      break;
    }
    case 9: {
      std::vector<uint8_t> image = Image(input);
      link.SendXLoader(image.data(), static_cast<uint32_t>(image.size()), progress);
      break;
    }
    case 10: {
      std::vector<uint8_t> image = Image(input);
      link.SendBootCode(image.data(), static_cast<uint32_t>(image.size()), progress);
      break;
    }
    case 11: {
      std::vector<uint8_t> image = Image(input);
      uint32_t type = input.ConsumeBool() ? link.machineType() : input.ConsumeIntegral<uint32_t>();
      link.SendApplicationCode(image.data(), static_cast<uint32_t>(image.size()), type, progress);
      break;
    }
    case 12:
      link.SendImageCrc(input.ConsumeIntegral<uint32_t>());
      break;
    case 13:
      if (input.ConsumeBool()) {
        link.ShowMessage(nullptr);
      } else {
        link.ShowMessage(std::string(Size(input, 65536), 'm').c_str());
      }
      break;
    case 14:
      link.OpenFile(std::string(Size(input, 65536), 'f').c_str());
      break;
    case 15:
      link.CloseFile();
      break;
    case 16:
      link.RequestReset(input.ConsumeIntegral<uint32_t>());
      break;
    case 17:
      link.ExchangeClock(input.ConsumeIntegral<uint32_t>(), input.ConsumeIntegralInRange(0, 1), &a);
      break;
    case 18:
      link.SendPacket();
      break;
    case 19:
      link.ReceivePacket();
      break;
    default:
      link.IsOpen();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzedAccess access(input);
  solvane::VirtualClock clock;
  CheckedMessageBoxes boxes;
  auto link = std::make_unique<CKiteUsb>(access, clock, boxes);
  link->Open();
  while (input.remaining_bytes() > 0) {
    MakeOneRequest(*link, input);
    Require(link->machineType() <= 22);
    Require(link->maximumChunk() == 0 || link->maximumChunk() == 8192 ||
            link->maximumChunk() == 65536);
  }
  return 0;
}
