#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/little_endian.h"

namespace solvane {

// The 32 bytes that begin every request and reply on the writer's USB link:
// packed and little-endian.
struct PacketHeader {
  uint16_t magic = 0;
  uint32_t sequence = 0;
  uint16_t code = 0;
  uint32_t length = 0;  // payload bytes behind the header
  uint32_t param[5] = {0, 0, 0, 0, 0};
};

inline constexpr uint16_t kPacketMagic = 0x525A;  // 'Z','R'
inline constexpr size_t kPacketHeaderSize = 32;
inline constexpr size_t kMaxPayload = 65536;
inline constexpr size_t kMaxPacket = kPacketHeaderSize + kMaxPayload;

void EncodePacketHeader(const PacketHeader& header, uint8_t* out);
PacketHeader DecodePacketHeader(const uint8_t* in);

}  // namespace solvane
