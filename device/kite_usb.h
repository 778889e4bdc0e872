#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "device/device_access.h"
#include "device/packet_header.h"
#include "platform/message_boxes.h"
#include "platform/progress.h"
#include "platform/waiter.h"

namespace solvane {

// The USB link to the writer: finds the first interface of the writer interface
// class, opens it, exchanges one request and one reply packet at a time, and
// holds the identity the writer last reported. All calls block.
class CKiteUsb {
 public:
  CKiteUsb(DeviceAccess& access, Waiter& waiter, MessageBoxes& messageBoxes);
  virtual ~CKiteUsb();

  CKiteUsb(const CKiteUsb&) = delete;
  CKiteUsb& operator=(const CKiteUsb&) = delete;

  // Transport.
  uint32_t Open();
  uint32_t Close();
  bool IsOpen() const;
  uint32_t SendPacket();
  uint32_t ReceivePacket();

  // Requests. The u32 results are 0 (done), 11, 101, 111 or the writer's own
  // error code; see request_codes.h.
  uint32_t Identify(uint32_t* machineType = nullptr,
                    uint32_t* versionWord = nullptr,
                    uint32_t* bootMode = nullptr,
                    uint32_t* build = nullptr);
  uint32_t ReadBootVersions(uint32_t* mainVersion = nullptr,
                            uint32_t* mainBuild = nullptr,
                            uint32_t* secondaryVersion = nullptr,
                            uint32_t* secondaryBuild = nullptr);
  // Copies at most `replyCapacity` bytes of the reply payload (never more than
  // arrived) and reports the reply's own length in `replyLength`.
  uint32_t SendCommand(uint32_t subCommand,
                       const uint8_t* payload,
                       uint32_t payloadLength,
                       uint8_t* reply = nullptr,
                       uint32_t replyCapacity = 0,
                       uint32_t* replyLength = nullptr);
  uint32_t QueryPartition(uint32_t selector, uint32_t* size = nullptr);
  bool ReadMemory(uint32_t address, uint32_t length, uint8_t* destination);
  bool EraseFlash(uint32_t address, uint32_t size);
  bool WriteFlash(const uint8_t* data, uint32_t address, uint32_t byteCount);
  // The image transfers; `progress` gets a bar of the chunks the writer took.
  uint32_t SendXLoader(const uint8_t* image, uint32_t length, Progress& progress);
  uint32_t SendBootCode(const uint8_t* image, uint32_t length, Progress& progress);
  uint32_t SendApplicationCode(const uint8_t* image,
                               uint32_t length,
                               uint32_t machineType,
                               Progress& progress);
  void SendImageCrc(uint32_t crcRegister);
  bool ShowMessage(const char* text);
  uint32_t OpenFile(const char* fileName);
  bool CloseFile();
  bool RequestReset(uint32_t mode);
  uint32_t ExchangeClock(uint32_t time, uint32_t setFlag, uint32_t* writerTime = nullptr);

  // Identity as the writer last reported it.
  uint32_t machineType() const { return machineType_; }
  uint32_t versionWord() const { return versionWord_; }
  uint32_t bootMode() const { return bootMode_; }
  uint32_t build() const { return build_; }
  uint32_t maximumChunk() const { return maximumChunk_; }
  uint32_t sensorBoardBuild() const { return sensorBoardBuild_; }
  uint32_t sequenceCount() const { return sequence_; }

 private:
  // Writes a request header into the transmit buffer; SendPacket adds magic
  // and sequence.
  void SetRequest(const PacketHeader& header);
  uint8_t* RequestPayload() { return transmitBuffer_ + kPacketHeaderSize; }
  const uint8_t* ReplyPayload() const { return receiveBuffer_ + kPacketHeaderSize; }
  // Sends the prepared request and reads the reply; nothing when no reply came.
  std::optional<PacketHeader> Exchange();
  // The payload bytes of the last reply that both arrived and its length claims.
  uint32_t ReceivedPayload(const PacketHeader& reply) const;
  // Sends `length` bytes of `image` under the header already in the transmit
  // buffer, in chunks of at most `chunkLimit`.
  uint32_t SendChunks(const uint8_t* image,
                      uint32_t length,
                      uint32_t chunkLimit,
                      Progress& progress);
  uint32_t SendStagedImage(uint16_t code,
                           const uint8_t* image,
                           uint32_t length,
                           Progress& progress);

  DeviceAccess& access_;
  Waiter& waiter_;
  MessageBoxes& messageBoxes_;
  std::unique_ptr<DeviceHandle> device_;
  uint32_t sequence_ = 0;
  uint8_t receiveBuffer_[kMaxPacket] = {};
  uint32_t received_ = 0;  // bytes the last read delivered
  uint8_t transmitBuffer_[kMaxPacket] = {};
  uint32_t machineType_ = 0;
  uint32_t versionWord_ = 0;
  uint32_t bootMode_ = 0;
  uint32_t build_ = 0;
  uint32_t maximumChunk_ = 0;
  uint32_t sensorBoardBuild_ = 0;
};

}  // namespace solvane
