#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/nor_flash.h"

namespace solvane {

struct Partition {
  uint32_t selector;
  uint32_t address;
  uint32_t size;
};

// The writer's memory as the memory requests see it: the X-Loader partition and
// the WiFi module's 4 MiB flash. Every partition starts and ends on a 128 KiB
// block, so a rounded erase of one never reaches its neighbour; the gaps hold
// the module's own boot loader, calibration data and a spare image slot.
class WriterMemory {
 public:
  static constexpr uint32_t kXLoaderAddress = 0x00020000;
  static constexpr uint32_t kXLoaderSize = 0x00020000;
  static constexpr uint32_t kWifiBase = 0x01000000;
  static constexpr uint32_t kWifiSize = 0x00400000;
  static constexpr Partition kPartitions[] = {
      {0, kXLoaderAddress, kXLoaderSize},
      {8, 0x01100000, 0x00100000},  // WiFi application
      {9, 0x01020000, 0x00020000},  // WiFi NVS
  };

  // Contents shorter or longer than the regions are cut or padded with 0xFF.
  WriterMemory(std::vector<uint8_t> xLoader, std::vector<uint8_t> wifi);

  static std::optional<Partition> FindPartition(uint32_t selector);
  // Empty when the range is not wholly inside one region.
  std::optional<std::span<const uint8_t>> Read(uint32_t address, uint32_t length) const;
  // Erases the X-Loader partition and programs the image; false when it does not fit.
  bool InstallXLoader(std::span<const uint8_t> image);

  NorFlash& wifi() { return wifi_; }
  const NorFlash& wifi() const { return wifi_; }
  const NorFlash& xLoader() const { return xLoader_; }

 private:
  NorFlash xLoader_;
  NorFlash wifi_;
};

}  // namespace solvane
