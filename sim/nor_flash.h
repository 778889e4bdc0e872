#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// NOR flash at a fixed address: erased in whole blocks to 0xFF; programming
// only clears bits, so writing over unerased content leaves old & new.
class NorFlash {
 public:
  static constexpr uint32_t kBlockSize = 0x20000;

  NorFlash(uint32_t base, std::vector<uint8_t> content);

  bool Contains(uint32_t address, uint32_t length) const;
  // Both fail (and change nothing) outside the flash; erase also when not block aligned.
  bool Erase(uint32_t address, uint32_t size);
  bool Program(uint32_t address, std::span<const uint8_t> data);
  std::span<const uint8_t> Read(uint32_t address, uint32_t length) const;

  const std::vector<uint8_t>& content() const { return content_; }

 private:
  uint32_t base_;
  std::vector<uint8_t> content_;
};

}  // namespace solvane
