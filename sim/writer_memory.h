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

// A named stretch of the WiFi module's flash.
struct FlashRegion {
  const char* name;
  uint32_t address;
  uint32_t size;
};

// The writer's memory as the memory requests see it: the X-Loader partition and
// the WiFi module's 4 MiB flash. Every partition starts and ends on a 128 KiB
// block, so a rounded erase of one never reaches its neighbour. Only the WiFi
// application and NVS partitions take erases and writes; the module's boot
// loader, calibration data and spare image slot around them are kept.
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
  // The whole WiFi flash, in address order.
  static constexpr FlashRegion kWifiRegions[] = {
      {"bootLoader", 0x01000000, 0x00020000},  {"nvs", 0x01020000, 0x00020000},
      {"calibration", 0x01040000, 0x000C0000}, {"application", 0x01100000, 0x00100000},
      {"spareSlot", 0x01200000, 0x00200000},
  };

  // Contents shorter or longer than the regions are cut or padded with 0xFF.
  // `xLoaderIntact`: the last write of the X-Loader partition ran to its end.
  WriterMemory(std::vector<uint8_t> xLoader, std::vector<uint8_t> wifi, bool xLoaderIntact);

  static std::optional<Partition> FindPartition(uint32_t selector);
  // Empty when the range is not wholly inside one region.
  std::optional<std::span<const uint8_t>> Read(uint32_t address, uint32_t length) const;
  // 0 when a WiFi erase or write of the range may go ahead, else the writer's error code.
  uint32_t CheckWifiChange(uint32_t address, uint32_t length) const;
  // Erases the X-Loader partition and programs the first `written` bytes of the
  // image; fewer than all of them leave a loader that does not start.
  void WriteXLoader(std::span<const uint8_t> image, size_t written);
  // A WiFi erase of `size` bytes from `address` stopped by a power cut after `done` bytes: the
  // block it stopped in is neither old nor erased.
  void EraseCut(uint32_t address, uint32_t size, size_t done);
  // Whether the writer's boot ROM finds a loader that runs.
  bool XLoaderBootable() const;

  NorFlash& wifi() { return wifi_; }
  const NorFlash& wifi() const { return wifi_; }
  const NorFlash& xLoader() const { return xLoader_; }
  bool xLoaderIntact() const { return xLoaderIntact_; }

 private:
  NorFlash xLoader_;
  NorFlash wifi_;
  bool xLoaderIntact_;
};

}  // namespace solvane
