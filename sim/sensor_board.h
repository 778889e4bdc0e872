#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// The keyboard sensor board behind the writer: 512 KiB of flash at 0x80000000,
// reached through sub-commands of the command request. It takes CRC and write
// requests only in its programming mode. A board that was written runs the new
// code once it is released (or the writer restarts) and then reports the build
// it was configured to get, since the carried image holds no build of its own.
class SensorBoard {
 public:
  static constexpr uint32_t kBase = 0x80000000;
  static constexpr uint32_t kSize = 0x80000;
  static constexpr uint32_t kMaxWrite = 512;

  SensorBoard(std::vector<uint8_t> flash, uint32_t build, uint32_t newBuild);

  // Each returns 0 or the writer's error code and fills the reply payload.
  uint32_t SetMode(std::span<const uint8_t> payload, std::vector<uint8_t>& reply);
  uint32_t Checksum(std::span<const uint8_t> payload, std::vector<uint8_t>& reply) const;
  uint32_t Write(std::span<const uint8_t> payload);
  void Restart();

  uint32_t build() const { return build_; }
  uint32_t newBuild() const { return newBuild_; }
  const std::vector<uint8_t>& flash() const { return flash_; }

 private:
  void Release();
  bool Contains(uint32_t address, uint32_t length) const;

  std::vector<uint8_t> flash_;
  uint32_t build_;
  uint32_t newBuild_;
  bool programming_ = false;
  bool written_ = false;
};

}  // namespace solvane
