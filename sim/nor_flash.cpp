#include "sim/nor_flash.h"

#include <algorithm>

namespace solvane {

NorFlash::NorFlash(uint32_t base, std::vector<uint8_t> content)
    : base_(base), content_(std::move(content)) {}

bool NorFlash::Contains(uint32_t address, uint32_t length) const {
  return address >= base_ && address - base_ <= content_.size() &&
         length <= content_.size() - (address - base_);
}

bool NorFlash::Erase(uint32_t address, uint32_t size) {
  if (!Contains(address, size) || (address - base_) % kBlockSize != 0 || size % kBlockSize != 0) {
    return false;
  }
  std::fill_n(content_.begin() + (address - base_), size, 0xFF);
  return true;
}

bool NorFlash::Program(uint32_t address, std::span<const uint8_t> data) {
  if (!Contains(address, static_cast<uint32_t>(data.size()))) {
    return false;
  }
  uint8_t* cell = content_.data() + (address - base_);
  for (uint8_t byte : data) {
    *cell++ &= byte;
  }
  return true;
}

std::span<const uint8_t> NorFlash::Read(uint32_t address, uint32_t length) const {
  return {content_.data() + (address - base_), length};
}

}  // namespace solvane
