#include "device/packet_header.h"

namespace solvane {

namespace {

uint16_t LoadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void StoreLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

void EncodePacketHeader(const PacketHeader& header, uint8_t* out) {
  StoreLe16(out, header.magic);
  StoreLe32(out + 2, header.sequence);
  StoreLe16(out + 6, header.code);
  StoreLe32(out + 8, header.length);
  for (size_t i = 0; i < 5; ++i) {
    StoreLe32(out + 12 + 4 * i, header.param[i]);
  }
}

PacketHeader DecodePacketHeader(const uint8_t* in) {
  PacketHeader header;
  header.magic = LoadLe16(in);
  header.sequence = LoadLe32(in + 2);
  header.code = LoadLe16(in + 6);
  header.length = LoadLe32(in + 8);
  for (size_t i = 0; i < 5; ++i) {
    header.param[i] = LoadLe32(in + 12 + 4 * i);
  }
  return header;
}

}  // namespace solvane
