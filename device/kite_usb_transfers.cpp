#include <algorithm>
#include <memory>
#include <new>

#include "device/chunked_transfer.h"
#include "device/kite_usb.h"
#include "device/request_codes.h"
#include "package/catalogue.h"
#include "package/crc32.h"

namespace solvane {

namespace {

// The boot code of these models reported type 3 before Identify corrected it,
// and still expects 3 in the application transfer.
bool ReportedAsType3(uint32_t machineType, uint32_t versionWord) {
  return machineType != 3 && TypeReportedAsType3(versionWord) == machineType;
}

}  // namespace

uint32_t CKiteUsb::SendXLoader(const uint8_t* image, uint32_t length, Progress& progress) {
  return SendStagedImage(kSendXLoader, image, length, progress);
}

uint32_t CKiteUsb::SendBootCode(const uint8_t* image, uint32_t length, Progress& progress) {
  return SendStagedImage(kSendBootCode, image, length, progress);
}

uint32_t CKiteUsb::SendApplicationCode(const uint8_t* image,
                                       uint32_t length,
                                       uint32_t machineType,
                                       Progress& progress) {
  if (machineType != machineType_) {
    return kResultTypeMismatch;
  }
  uint32_t typeSent =
      bootMode_ != 0 && ReportedAsType3(machineType_, versionWord_) ? 3 : machineType_;
  SetRequest({.code = kSendApplicationCode, .param = {typeSent, 0, length, 0, kTransferMarker}});
  return SendChunks(image, length, static_cast<uint32_t>(kMaxPayload), progress);
}

uint32_t CKiteUsb::SendStagedImage(uint16_t code,
                                   const uint8_t* image,
                                   uint32_t length,
                                   Progress& progress) {
  // Before any identification the chunk size is unknown: sending nothing must
  // not read as a finished transfer.
  if (length != 0 && maximumChunk_ == 0) {
    return kResultNoReply;
  }
  SetRequest({.code = code, .param = {machineType_, 0, length, 0, kTransferMarker}});
  std::unique_ptr<uint8_t[]> staging(new (std::nothrow) uint8_t[length]);
  if (!staging) {
    return kResultNoReply;
  }
  std::fill_n(staging.get(), length, uint8_t{0xFF});
  std::copy_n(image, length, staging.get());
  SendImageCrc(Crc32Of(staging.get(), length));
  return SendChunks(staging.get(), length, maximumChunk_, progress);
}

uint32_t CKiteUsb::SendChunks(const uint8_t* image,
                              uint32_t length,
                              uint32_t chunkLimit,
                              Progress& progress) {
  PacketHeader header = DecodePacketHeader(transmitBuffer_);
  uint32_t result = 0;
  TransferInChunks(progress, length, chunkLimit, [&](uint32_t offset, uint32_t chunk) {
    header.length = chunk;
    header.param[3] = offset;
    SetRequest(header);
    std::copy_n(image + offset, chunk, RequestPayload());
    std::optional<PacketHeader> reply = Exchange();
    if (!reply) {
      result = kResultNoChunkReply;
    } else if (reply->code == kStatusReply) {
      // Ends the transfer, as done when the writer's code is 0.
      result = reply->param[0];
      return false;
    } else if (reply->code != kChunkAccepted) {
      result = kResultNoReply;
    }
    return result == 0;
  });
  return result;
}

}  // namespace solvane
