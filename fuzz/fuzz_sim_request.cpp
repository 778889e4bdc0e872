#include <cstddef>
#include <cstdint>
#include <sstream>
#include <vector>

#include "device/packet_header.h"
#include "device/request_codes.h"
#include "sim/default_state.h"
#include "sim/sim_writer.h"
#include "sim/virtual_host_time.h"
#include "tests/support/virtual_clock.h"

namespace {

std::vector<uint8_t> SensorModeRequest(uint8_t mode) {
  solvane::PacketHeader header;
  header.magic = solvane::kPacketMagic;
  header.code = solvane::kSendCommand;
  header.length = 1;
  header.param[0] = solvane::kSensorMode;
  std::vector<uint8_t> packet(solvane::kPacketHeaderSize + 1, mode);
  solvane::EncodePacketHeader(header, packet.data());
  return packet;
}

}  // namespace

// Any bytes as one request packet, in an exactly sized heap copy, to a fresh
// writer whose sensor board is in programming mode, so that the board's
// sub-commands are reached as well. A reply must be a whole packet that the
// link can take: a header with the magic, a length that counts the payload,
// and no more than the packet maximum.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace solvane;
  static const WriterState fresh = DefaultWriterState();
  VirtualClock clock;
  VirtualHostTime hostTime(clock);
  std::ostringstream lines;
  Transcript transcript(&lines, false);
  SimWriter writer(fresh, hostTime, FaultPlan(), SimTiming{}, &transcript);
  std::vector<uint8_t> reply;
  writer.Handle(SensorModeRequest(0), reply);

  std::vector<uint8_t> request(data, data + size);
  if (!writer.Handle(request, reply)) {
    return 0;
  }
  if (reply.size() < kPacketHeaderSize || reply.size() > kMaxPacket) {
    __builtin_trap();
  }
  PacketHeader header = DecodePacketHeader(reply.data());
  if (header.magic != kPacketMagic || header.length != reply.size() - kPacketHeaderSize) {
    __builtin_trap();
  }
  return 0;
}
