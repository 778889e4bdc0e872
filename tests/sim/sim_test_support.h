#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "device/packet_header.h"
#include "device/request_codes.h"
#include "package/crc32.h"
#include "sim/default_state.h"
#include "sim/fault_set.h"
#include "sim/firmware_header.h"
#include "sim/sim_writer.h"
#include "sim/virtual_host_time.h"
#include "tests/support/virtual_clock.h"

namespace solvane::sim_test {

struct RawReply {
  bool none = true;
  size_t bytes = 0;
  PacketHeader header;
  std::vector<uint8_t> payload;
};

inline std::vector<uint8_t> Packet(uint16_t code,
                                   std::array<uint32_t, 5> params,
                                   std::span<const uint8_t> payload = {}) {
  PacketHeader header;
  header.magic = kPacketMagic;
  header.code = code;
  header.length = static_cast<uint32_t>(payload.size());
  std::copy(params.begin(), params.end(), header.param);
  std::vector<uint8_t> packet(kPacketHeaderSize + payload.size());
  EncodePacketHeader(header, packet.data());
  std::copy(payload.begin(), payload.end(), packet.begin() + kPacketHeaderSize);
  return packet;
}

inline std::vector<uint8_t> Le32s(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes(words.size() * 4);
  size_t i = 0;
  for (uint32_t word : words) {
    StoreLe32(bytes.data() + 4 * i++, word);
  }
  return bytes;
}

// An application or boot image with a proper header, of `length` bytes.
inline std::vector<uint8_t> CodeImage(uint32_t component,
                                      uint32_t version,
                                      uint32_t build,
                                      uint32_t length) {
  std::vector<uint8_t> image(length);
  for (uint32_t i = 0; i < length; ++i) {
    image[i] = static_cast<uint8_t>(i * 7 + 3);
  }
  FirmwareHeader header;
  header.component = component;
  header.versionWord = version;
  header.build = build;
  header.imageLength = length;
  header.Encode(image.data());
  return image;
}

// A SimWriter on a virtual clock, spoken to with raw packets.
class SimHarness {
 public:
  explicit SimHarness(WriterState state = DefaultWriterState(), FaultSet faults = {})
      : hostTime_(clock),
        writer(std::move(state),
               hostTime_,
               FaultPlan(std::move(faults)),
               SimTiming{},
               &transcript) {}

  RawReply Send(uint16_t code,
                std::array<uint32_t, 5> params = {},
                std::span<const uint8_t> payload = {}) {
    return SendRaw(Packet(code, params, payload));
  }

  RawReply SendRaw(const std::vector<uint8_t>& packet) {
    std::vector<uint8_t> bytes;
    RawReply reply;
    if (!writer.Handle(packet, bytes)) {
      return reply;
    }
    reply.none = false;
    reply.bytes = bytes.size();
    if (bytes.size() >= kPacketHeaderSize) {
      reply.header = DecodePacketHeader(bytes.data());
      reply.payload.assign(bytes.begin() + kPacketHeaderSize, bytes.end());
    }
    return reply;
  }

  // Announces the image's CRC and sends it in chunks; the last reply.
  RawReply Transfer(uint16_t code,
                    const std::vector<uint8_t>& image,
                    uint32_t chunk = 65536,
                    std::optional<uint32_t> crc = std::nullopt) {
    Send(kSendImageCrc, {crc.value_or(Crc32Of(image.data(), image.size()))});
    RawReply reply;
    for (size_t offset = 0; offset < image.size(); offset += chunk) {
      size_t size = std::min<size_t>(chunk, image.size() - offset);
      reply = Send(code,
                   {writer.identity().machineType, 0, static_cast<uint32_t>(image.size()),
                    static_cast<uint32_t>(offset), kTransferMarker},
                   std::span<const uint8_t>(image).subspan(offset, size));
      if (reply.none || reply.header.code != kChunkAccepted) {
        break;
      }
    }
    return reply;
  }

  void Restart() {
    ASSERT_EQ(Send(kRequestReset).header.code, kRequestReset);
    ASSERT_TRUE(writer.restartRequested());
    writer.CompleteRestart();
  }

  VirtualClock clock;

 private:
  VirtualHostTime hostTime_;

 public:
  Transcript transcript{nullptr, true};
  SimWriter writer;
};

struct Place {
  uint32_t address;
  uint32_t size;
};

inline Place Query(SimHarness& sim, uint32_t selector) {
  RawReply reply = sim.Send(kQueryPartition, {selector});
  EXPECT_EQ(reply.header.code, kQueryPartition);
  return {reply.header.param[0], reply.header.param[1]};
}

inline std::vector<uint8_t> Read(SimHarness& sim, uint32_t address, uint32_t length) {
  RawReply reply = sim.Send(kReadMemory, {address, length, 0, 0, 4});
  EXPECT_EQ(reply.header.code, kReadMemory);
  return reply.payload;
}

// A WiFi flash write, padded as the link pads it.
inline RawReply Write(SimHarness& sim, uint32_t address, std::vector<uint8_t> data) {
  uint32_t count = static_cast<uint32_t>(data.size());
  data.resize((count + 31) / 32 * 32, 0);
  return sim.Send(kWriteFlash, {address, count}, data);
}

inline RawReply SensorMode(SimHarness& sim, uint8_t mode) {
  std::vector<uint8_t> payload = {mode};
  return sim.Send(kSendCommand, {kSensorMode}, payload);
}

inline RawReply SensorWrite(SimHarness& sim, uint32_t address, std::span<const uint8_t> data) {
  std::vector<uint8_t> payload = Le32s({address});
  payload.insert(payload.end(), data.begin(), data.end());
  return sim.Send(kSendCommand, {kSensorWrite}, payload);
}

// The sensor board build the identification lists under key 0.
inline uint32_t SensorBuild(SimHarness& sim) {
  RawReply identity = sim.Send(kIdentify);
  EXPECT_GE(identity.payload.size(), 8u);
  EXPECT_EQ(LoadLe32(identity.payload.data()), 0u);
  return identity.payload.size() >= 8 ? LoadLe32(identity.payload.data() + 4) : 0;
}

}  // namespace solvane::sim_test
