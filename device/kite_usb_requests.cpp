#include <algorithm>
#include <cstring>

#include "device/kite_usb.h"
#include "device/request_codes.h"
#include "package/catalogue.h"

namespace solvane {

namespace {

constexpr uint32_t kFirstTypeWithBuild = 16;
constexpr uint32_t kSmallChunk = 8192;
constexpr uint32_t kEraseBlock = 0x20000;
constexpr uint32_t kSensorBoardBuildKey = 0;
constexpr uint32_t kReadMemoryMarker = 4;

bool HasSmallChunks(uint32_t machineType) {
  return machineType == 2 || (machineType >= 6 && machineType <= 15);
}

uint32_t RoundUp(uint32_t value, uint32_t multiple) {
  return static_cast<uint32_t>((uint64_t{value} + multiple - 1) / multiple * multiple);
}

// Copies `size` bytes and zero-fills up to `length`.
void CopyPadded(uint8_t* destination, const void* source, uint32_t size, uint32_t length) {
  std::copy_n(static_cast<const uint8_t*>(source), size, destination);
  std::fill_n(destination + size, length - size, uint8_t{0});
}

void Give(uint32_t* output, uint32_t value) {
  if (output != nullptr) {
    *output = value;
  }
}

}  // namespace

uint32_t CKiteUsb::Identify(uint32_t* machineType,
                            uint32_t* versionWord,
                            uint32_t* bootMode,
                            uint32_t* build) {
  SetRequest({.code = kIdentify});
  SendPacket();
  sensorBoardBuild_ = 0;
  if (ReceivePacket() == 0) {
    return kResultNoReply;
  }
  PacketHeader reply = DecodePacketHeader(receiveBuffer_);
  if (reply.code != kIdentify) {
    return 0;
  }
  machineType_ = std::min(reply.param[0], kHighestMachineType);
  maximumChunk_ = HasSmallChunks(machineType_) ? kSmallChunk : static_cast<uint32_t>(kMaxPayload);
  versionWord_ = reply.param[1];
  bootMode_ = reply.param[2];
  if (bootMode_ != 0) {
    // Early boot code reported these models under older numbers.
    if (machineType_ == 1 && versionWord_ >= 0x100 && versionWord_ <= 0x1FF) {
      bootMode_ = 0;
    }
    if (machineType_ == 3) {
      machineType_ = TypeReportedAsType3(versionWord_);
    }
  }
  bool hasBuild = machineType_ >= kFirstTypeWithBuild;
  build_ = hasBuild ? reply.param[3] : 0;
  Give(machineType, machineType_);
  Give(versionWord, versionWord_);
  Give(bootMode, bootMode_);
  if (hasBuild) {
    Give(build, build_);
  }
  uint32_t pairs = ReceivedPayload(reply) / 8;
  for (uint32_t i = 0; i < pairs; ++i) {
    const uint8_t* pair = ReplyPayload() + size_t{8} * i;
    if (LoadLe32(pair) == kSensorBoardBuildKey) {
      sensorBoardBuild_ = LoadLe32(pair + 4);
    }
  }
  return 0;
}

uint32_t CKiteUsb::ReadBootVersions(uint32_t* mainVersion,
                                    uint32_t* mainBuild,
                                    uint32_t* secondaryVersion,
                                    uint32_t* secondaryBuild) {
  SetRequest({.code = kReadBootVersions});
  std::optional<PacketHeader> reply = Exchange();
  if (!reply || reply->code != kReadBootVersions) {
    return kResultNoReply;
  }
  Give(mainVersion, reply->param[0]);
  Give(mainBuild, reply->param[1]);
  Give(secondaryVersion, reply->param[2]);
  Give(secondaryBuild, reply->param[3]);
  return 0;
}

uint32_t CKiteUsb::SendCommand(uint32_t subCommand,
                               const uint8_t* payload,
                               uint32_t payloadLength,
                               uint8_t* reply,
                               uint32_t replyCapacity,
                               uint32_t* replyLength) {
  Give(replyLength, 0);
  // Refused unsent: a larger payload would run past the transmit buffer.
  if (payloadLength > kMaxPayload) {
    return kResultNoReply;
  }
  SetRequest({.code = kSendCommand, .length = payloadLength, .param = {subCommand}});
  std::copy_n(payload, payloadLength, RequestPayload());
  std::optional<PacketHeader> header = Exchange();
  if (!header || header->code != kSendCommand) {
    return kResultNoReply;
  }
  if (reply != nullptr) {
    // Bytes the reply claims but did not deliver read as erased flash.
    uint32_t wanted = std::min(header->length, replyCapacity);
    uint32_t arrived = std::min(wanted, ReceivedPayload(*header));
    std::copy_n(ReplyPayload(), arrived, reply);
    std::fill_n(reply + arrived, wanted - arrived, uint8_t{0xFF});
  }
  Give(replyLength, header->length);
  return 0;
}

uint32_t CKiteUsb::QueryPartition(uint32_t selector, uint32_t* size) {
  SetRequest({.code = kQueryPartition, .param = {selector}});
  SendPacket();
  Give(size, 0);
  if (ReceivePacket() == 0) {
    return 0;
  }
  PacketHeader reply = DecodePacketHeader(receiveBuffer_);
  if (reply.code != kQueryPartition) {
    return 0;
  }
  Give(size, reply.param[1]);
  return reply.param[0];
}

bool CKiteUsb::ReadMemory(uint32_t address, uint32_t length, uint8_t* destination) {
  SetRequest({.code = kReadMemory, .param = {address, length, 0, 0, kReadMemoryMarker}});
  std::optional<PacketHeader> reply = Exchange();
  if (!reply || reply->code != kReadMemory) {
    return false;
  }
  uint32_t copied = std::min(length, ReceivedPayload(*reply));
  std::copy_n(ReplyPayload(), copied, destination);
  // A reply that claims the length but brings fewer bytes leaves the rest stale: no read.
  return reply->param[0] == address && reply->length == length && copied == length;
}

bool CKiteUsb::EraseFlash(uint32_t address, uint32_t size) {
  SetRequest({.code = kEraseFlash, .param = {address, RoundUp(size, kEraseBlock)}});
  std::optional<PacketHeader> reply = Exchange();
  return reply && reply->code == kEraseFlash;
}

bool CKiteUsb::WriteFlash(const uint8_t* data, uint32_t address, uint32_t byteCount) {
  // Refused unsent: more than a packet would run past the transmit buffer.
  if (byteCount > kMaxPayload) {
    return false;
  }
  uint32_t length = RoundUp(byteCount, 32);
  SetRequest({.code = kWriteFlash, .length = length, .param = {address, byteCount}});
  CopyPadded(RequestPayload(), data, byteCount, length);
  std::optional<PacketHeader> reply = Exchange();
  return reply && reply->code == kChunkAccepted;
}

void CKiteUsb::SendImageCrc(uint32_t crcRegister) {
  // A transfer announces its checksum between preparing its header and sending.
  uint8_t saved[kPacketHeaderSize];
  std::memcpy(saved, transmitBuffer_, kPacketHeaderSize);
  SetRequest({.code = kSendImageCrc, .param = {crcRegister}});
  Exchange();
  std::memcpy(transmitBuffer_, saved, kPacketHeaderSize);
}

bool CKiteUsb::ShowMessage(const char* text) {
  if (text == nullptr) {
    SetRequest({.code = kShowMessage});
  } else {
    size_t textLength = std::strlen(text);
    // Refused unsent: the text and its zero byte must fit one packet.
    if (textLength >= kMaxPayload) {
      return false;
    }
    uint32_t size = static_cast<uint32_t>(textLength);
    uint32_t length = RoundUp(size + 1, 32);
    SetRequest({.code = kShowMessage, .length = length, .param = {size}});
    // Zero-filled to the end so no stale buffer contents reach the writer.
    CopyPadded(RequestPayload(), text, size, length);
  }
  std::optional<PacketHeader> reply = Exchange();
  return reply && reply->code == kShowMessage;
}

uint32_t CKiteUsb::OpenFile(const char* fileName) {
  size_t nameLength = std::strlen(fileName);
  // Refused unsent: a longer name would run past the transmit buffer.
  if (nameLength > kMaxPayload) {
    return kResultNoReply;
  }
  uint32_t size = static_cast<uint32_t>(nameLength);
  uint32_t length = RoundUp(size, 8);
  SetRequest({.code = kOpenFile, .length = length});
  CopyPadded(RequestPayload(), fileName, size, length);
  std::optional<PacketHeader> reply = Exchange();
  if (!reply) {
    return kResultNoReply;
  }
  if (reply->code == kOpenFile) {
    return 0;
  }
  return reply->code == kStatusReply ? reply->param[0] : kResultNoReply;
}

bool CKiteUsb::CloseFile() {
  SetRequest({.code = kCloseFile});
  std::optional<PacketHeader> reply = Exchange();
  return reply && reply->code == kCloseFile;
}

bool CKiteUsb::RequestReset(uint32_t mode) {
  SetRequest({.code = kRequestReset, .param = {mode}});
  std::optional<PacketHeader> reply = Exchange();
  if (!reply) {
    return false;
  }
  if (reply->code == kRequestReset) {
    return true;
  }
  if (reply->code == kStatusReply && reply->param[0] == kWriterBusy) {
    static constexpr const char* kReasons[] = {nullptr, "Cannot Program, File open",
                                               "Cannot Program, Real-Time Active",
                                               "Cannot Program, File open and Real-Time Active"};
    if (const char* reason = kReasons[reply->param[1] & 3]) {
      messageBoxes_.ShowApplication(reason, kMbOk | kMbIconExclamation);
    }
  }
  return false;
}

uint32_t CKiteUsb::ExchangeClock(uint32_t time, uint32_t setFlag, uint32_t* writerTime) {
  SetRequest({.code = kExchangeClock, .param = {time, setFlag}});
  std::optional<PacketHeader> reply = Exchange();
  if (!reply || reply->code != kExchangeClock) {
    return kResultNoReply;
  }
  Give(writerTime, reply->param[0]);
  return 0;
}

}  // namespace solvane
