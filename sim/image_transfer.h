#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/packet_header.h"

namespace solvane {

// One chunked image transfer as the writer receives it. Chunks must come in
// order, with a constant total length and the transfer marker; the image counts
// only when it is complete and matches the announced CRC register.
class ImageTransfer {
 public:
  // Takes one chunk: 0, or the writer's error code (the transfer is then dropped).
  uint32_t Take(const PacketHeader& header,
                std::span<const uint8_t> chunk,
                uint32_t maxChunk,
                uint32_t maxTotal,
                std::optional<uint32_t> announcedCrc);
  bool Complete() const { return active_ && image_.size() == total_; }
  // The number the next chunk would carry, counted from 1.
  uint32_t NextChunk(const PacketHeader& header) const;
  std::vector<uint8_t> TakeImage();
  void Reset();

 private:
  bool active_ = false;
  uint32_t total_ = 0;
  uint32_t chunks_ = 0;
  std::optional<uint32_t> expectedCrc_;
  uint32_t crc_ = 0;
  std::vector<uint8_t> image_;
};

}  // namespace solvane
