#include "sim/sensor_board.h"

#include <algorithm>

#include "device/packet_header.h"
#include "package/crc32.h"
#include "sim/sensor_code_block.h"
#include "sim/writer_errors.h"

namespace solvane {

namespace {

std::vector<uint8_t> Sized(std::vector<uint8_t> flash) {
  flash.resize(SensorBoard::kSize, 0xFF);
  return flash;
}

}  // namespace

SensorBoard::SensorBoard(std::vector<uint8_t> flash)
    : flash_(Sized(std::move(flash))), build_(SensorCodeBlock::BuildOf(flash_)) {}

uint32_t SensorBoard::SetMode(std::span<const uint8_t> payload, std::vector<uint8_t>& reply) {
  if (payload.size() != 1 || payload[0] > 1) {
    return kWriterErrorBadParameters;
  }
  if (payload[0] == 0) {
    programming_ = true;
  } else {
    Release();
  }
  reply.assign(1, 0);
  return 0;
}

uint32_t SensorBoard::Checksum(std::span<const uint8_t> payload,
                               std::vector<uint8_t>& reply) const {
  if (payload.size() != 8) {
    return kWriterErrorBadParameters;
  }
  if (!programming_) {
    return kWriterErrorSensorNotReady;
  }
  uint32_t address = LoadLe32(payload.data());
  uint32_t length = LoadLe32(payload.data() + 4);
  if (!Contains(address, length)) {
    return kWriterErrorBadAddress;
  }
  uint32_t crc = Crc32Of(flash_.data() + (address - kBase), length);
  reply = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
           static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  return 0;
}

uint32_t SensorBoard::Write(std::span<const uint8_t> payload) {
  if (payload.size() < 4 || payload.size() > 4 + kMaxWrite) {
    return kWriterErrorBadParameters;
  }
  if (!programming_) {
    return kWriterErrorSensorNotReady;
  }
  uint32_t address = LoadLe32(payload.data());
  auto data = payload.subspan(4);
  if (!Contains(address, static_cast<uint32_t>(data.size()))) {
    return kWriterErrorBadAddress;
  }
  if (address - kBase < kLoaderSize) {
    return kWriterErrorProtected;
  }
  // The board's loader erases and programs whole pages: a write replaces bytes.
  std::copy(data.begin(), data.end(), flash_.begin() + (address - kBase));
  return 0;
}

void SensorBoard::Restart() {
  Release();
}

void SensorBoard::Release() {
  programming_ = false;
  build_ = SensorCodeBlock::BuildOf(flash_);
}

bool SensorBoard::Contains(uint32_t address, uint32_t length) const {
  return address >= kBase && address - kBase <= kSize && length <= kSize - (address - kBase);
}

}  // namespace solvane
