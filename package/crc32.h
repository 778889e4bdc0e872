#pragma once

#include <cstddef>
#include <cstdint>

namespace solvane {

// The checksum that announces and compares firmware images: the reflected
// CRC-32 of IEEE 802.3 (polynomial 0xEDB88320) started from the given value and
// read without a final inversion (CRC-32/JAMCRC when started at 0xFFFFFFFF).
class Crc32 {
 public:
  static constexpr uint32_t kInitial = 0xFFFFFFFF;

  explicit Crc32(uint32_t initial = kInitial) : register_(initial) {}

  void Update(uint8_t byte);
  void Update(const uint8_t* data, size_t size);
  uint32_t Value() const { return register_; }

 private:
  uint32_t register_;
};

// The register over `size` bytes, started from 0xFFFFFFFF.
uint32_t Crc32Of(const uint8_t* data, size_t size);

}  // namespace solvane
