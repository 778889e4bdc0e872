#pragma once

#include <cstdint>

namespace solvane {

// Request and reply codes of the writer's packet protocol.
enum RequestCode : uint16_t {
  kIdentify = 0x0001,
  kSendApplicationCode = 0x0002,
  kChunkAccepted = 0x0005,  // reply: the writer took one chunk
  kStatusReply = 0x0006,    // reply: param0 carries the writer's error code
  kShowMessage = 0x0007,
  kOpenFile = 0x0011,
  kCloseFile = 0x0012,
  kSendImageCrc = 0x0025,
  kReadMemory = 0x0040,
  kSendBootCode = 0x0050,
  kRequestReset = 0x0051,
  kSendXLoader = 0x0060,
  kEraseFlash = 0x1009,
  kWriteFlash = 0x100A,
  kQueryPartition = 0x100B,
  kExchangeClock = 0xE005,
  kReadBootVersions = 0xE019,
  kSendCommand = 0xE023,
};

// Transfer marker in param4 of every image chunk.
inline constexpr uint32_t kTransferMarker = 0xC00DC00D;

// The writer's error code for "a file is open or realtime is active"; in a reset
// status reply param1 tells which (bit 0 file open, bit 1 realtime active).
inline constexpr uint32_t kWriterBusy = 3;

// Partition selectors of QueryPartition.
inline constexpr uint32_t kXLoaderPartition = 0;
inline constexpr uint32_t kWifiApplicationPartition = 8;
inline constexpr uint32_t kWifiNvsPartition = 9;

// Sub-commands of the command request for the keyboard sensor board.
inline constexpr uint32_t kSensorWrite = 21;
inline constexpr uint32_t kSensorMode = 24;
inline constexpr uint32_t kSensorCrc = 25;

// Results of the link's u32 requests besides 0 (done) and the writer's codes.
inline constexpr uint32_t kResultTypeMismatch = 11;
inline constexpr uint32_t kResultNoChunkReply = 101;
inline constexpr uint32_t kResultNoReply = 111;

}  // namespace solvane
