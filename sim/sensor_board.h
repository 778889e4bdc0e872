#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// The keyboard sensor board behind the writer: 512 KiB of flash at 0x80000000,
// reached through sub-commands of the command request. Its own loader sits in
// the first 8 KiB and cannot be written; CRC and write requests work only in
// its programming mode. The board reports the build its code carries
// (SensorCodeBlock), read each time the code starts: when the board is released
// from programming mode and when the writer restarts.
class SensorBoard {
 public:
  static constexpr uint32_t kBase = 0x80000000;
  static constexpr uint32_t kSize = 0x80000;
  static constexpr uint32_t kLoaderSize = 0x2000;
  static constexpr uint32_t kMaxWrite = 512;

  // Flash shorter or longer than the board's is padded with 0xFF or cut.
  explicit SensorBoard(std::vector<uint8_t> flash);

  // Each returns 0 or the writer's error code and fills the reply payload.
  uint32_t SetMode(std::span<const uint8_t> payload, std::vector<uint8_t>& reply);
  uint32_t Checksum(std::span<const uint8_t> payload, std::vector<uint8_t>& reply) const;
  uint32_t Write(std::span<const uint8_t> payload);
  void Restart();

  // The build the board reports now: that of the code it last started.
  uint32_t build() const { return build_; }
  bool programming() const { return programming_; }
  const std::vector<uint8_t>& flash() const { return flash_; }

 private:
  void Release();
  bool Contains(uint32_t address, uint32_t length) const;

  std::vector<uint8_t> flash_;
  uint32_t build_;
  bool programming_ = false;
};

}  // namespace solvane
