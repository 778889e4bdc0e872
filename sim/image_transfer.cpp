#include "sim/image_transfer.h"

#include "device/request_codes.h"
#include "package/crc32.h"
#include "sim/writer_errors.h"

namespace solvane {

uint32_t ImageTransfer::NextChunk(const PacketHeader& header) const {
  return header.param[3] == 0 ? 1 : chunks_ + 1;
}

uint32_t ImageTransfer::Take(const PacketHeader& header,
                             std::span<const uint8_t> chunk,
                             uint32_t maxChunk,
                             uint32_t maxTotal,
                             std::optional<uint32_t> announcedCrc) {
  uint32_t total = header.param[2];
  uint32_t offset = header.param[3];
  if (offset == 0) {
    Reset();
    if (total > maxTotal) {
      return kWriterErrorImageTooLarge;
    }
    active_ = true;
    total_ = total;
    expectedCrc_ = announcedCrc;
    crc_ = Crc32::kInitial;
    image_.reserve(total);
  }
  if (!active_ || header.param[4] != kTransferMarker || chunk.empty() || chunk.size() > maxChunk ||
      total != total_ || offset != image_.size() || chunk.size() > total_ - offset) {
    Reset();
    return kWriterErrorTransferOrder;
  }
  image_.insert(image_.end(), chunk.begin(), chunk.end());
  Crc32 crc(crc_);
  crc.Update(chunk.data(), chunk.size());
  crc_ = crc.Value();
  ++chunks_;
  if (Complete() && expectedCrc_ != crc_) {
    Reset();
    return kWriterErrorChecksum;
  }
  return 0;
}

std::vector<uint8_t> ImageTransfer::TakeImage() {
  std::vector<uint8_t> image = std::move(image_);
  Reset();
  return image;
}

void ImageTransfer::Reset() {
  active_ = false;
  total_ = 0;
  chunks_ = 0;
  expectedCrc_.reset();
  image_.clear();
}

}  // namespace solvane
