#include "device/kite_usb.h"

#include <algorithm>

#include "device/windows_errors.h"

namespace solvane {

namespace {

constexpr uint32_t kCloseWaitMs = 2000;
constexpr int kWriteAttempts = 3;
// Asks the driver to recover the pipe between write attempts.
constexpr uint32_t kResetPipeControl = 1;

}  // namespace

CKiteUsb::CKiteUsb(DeviceAccess& access, Waiter& waiter, MessageBoxes& messageBoxes)
    : access_(access), waiter_(waiter), messageBoxes_(messageBoxes) {}

CKiteUsb::~CKiteUsb() {
  Close();
}

uint32_t CKiteUsb::Open() {
  if (device_) {
    return kErrorSuccess;
  }
  std::string path;
  if (uint32_t error = access_.EnumerateInterface(kWriterInterfaceClass, 0, path)) {
    return error;
  }
  std::unique_ptr<DeviceHandle> handle;
  if (uint32_t error = access_.Open(path, handle)) {
    return error;
  }
  if (!handle) {
    // Success without a device would leave the link half open: 6, an invalid handle.
    return kErrorInvalidHandle;
  }
  device_ = std::move(handle);
  return kErrorSuccess;
}

uint32_t CKiteUsb::Close() {
  if (!device_) {
    return kErrorSuccess;
  }
  // The writer needs time to finish the last request before the handle goes.
  waiter_.Wait(kCloseWaitMs);
  uint32_t error = device_->Close();
  device_.reset();
  return error;
}

bool CKiteUsb::IsOpen() const {
  return device_ != nullptr;
}

uint32_t CKiteUsb::SendPacket() {
  PacketHeader header = DecodePacketHeader(transmitBuffer_);
  header.magic = kPacketMagic;
  header.sequence = sequence_;
  EncodePacketHeader(header, transmitBuffer_);
  if (!device_) {
    return 0;
  }
  uint32_t size =
      static_cast<uint32_t>(kPacketHeaderSize + std::min<size_t>(header.length, kMaxPayload));
  for (int attempt = 1;; ++attempt) {
    uint32_t written = 0;
    device_->Write(transmitBuffer_, size, written);
    if (written != 0) {
      return written;
    }
    if (attempt == kWriteAttempts) {
      return 0;
    }
    device_->Control(kResetPipeControl);
  }
}

uint32_t CKiteUsb::ReceivePacket() {
  received_ = 0;
  if (!device_) {
    return 0;
  }
  uint32_t read = 0;
  device_->Read(receiveBuffer_, static_cast<uint32_t>(kMaxPacket), read);
  received_ = std::min<uint32_t>(read, kMaxPacket);
  if (received_ == 0) {
    return 0;
  }
  // Every delivered read counts, even one too short to be a reply.
  ++sequence_;
  if (received_ < kPacketHeaderSize) {
    return 0;
  }
  return DecodePacketHeader(receiveBuffer_).length + static_cast<uint32_t>(kPacketHeaderSize);
}

void CKiteUsb::SetRequest(const PacketHeader& header) {
  EncodePacketHeader(header, transmitBuffer_);
}

std::optional<PacketHeader> CKiteUsb::Exchange() {
  SendPacket();
  if (ReceivePacket() == 0) {
    return std::nullopt;
  }
  return DecodePacketHeader(receiveBuffer_);
}

uint32_t CKiteUsb::ReceivedPayload(const PacketHeader& reply) const {
  uint32_t arrived = received_ > kPacketHeaderSize ? received_ - kPacketHeaderSize : 0;
  return std::min(reply.length, arrived);
}

}  // namespace solvane
