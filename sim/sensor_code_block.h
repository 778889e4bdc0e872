#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/little_endian.h"

namespace solvane {

// The block at a fixed place in the sensor board's code (board address
// 0x8000AA00) from which the board's loader learns what it runs. Offsets below
// are from the board's flash base 0x80000000.
//
//   0xAA00  4 bytes  magic "SVKB"
//   0xAA04  u32      build of the code
//   0xAA08  92 bytes press and release thresholds of the 23 keys
//   0xAA64  u32      check: CRC-32C over 0x2000 up to 0xAA64
//
// The check is CRC-32C (Castagnoli), not the CRC-32 the updater compares with:
// CRC-32 over a range that ends in its own register is the same for every
// content, so the updater's CRC of the programmed range could not tell two
// builds apart.
//
// The code begins at 0x2000, behind the board's own loader. When the magic or
// the check does not match, the loader does not start the code and the board
// reports build 0.
struct SensorCodeBlock {
  static constexpr uint32_t kCodeStart = 0x2000;
  static constexpr uint32_t kOffset = 0xAA00;
  static constexpr uint32_t kBuildOffset = kOffset + 4;
  static constexpr uint32_t kCheckOffset = kOffset + 100;
  static constexpr uint32_t kEnd = kCheckOffset + 4;
  static constexpr char kMagic[4] = {'S', 'V', 'K', 'B'};

  // Places the magic, the build and a matching check into board flash that
  // holds at least kEnd bytes.
  static void Seal(std::span<uint8_t> flash, uint32_t build) {
    std::memcpy(flash.data() + kOffset, kMagic, sizeof(kMagic));
    StoreLe32(flash.data() + kBuildOffset, build);
    StoreLe32(flash.data() + kCheckOffset, Check(flash));
  }

  static bool Intact(std::span<const uint8_t> flash) {
    return flash.size() >= kEnd && std::memcmp(flash.data() + kOffset, kMagic, 4) == 0 &&
           LoadLe32(flash.data() + kCheckOffset) == Check(flash);
  }

  // The build the board reports when it runs this flash.
  static uint32_t BuildOf(std::span<const uint8_t> flash) {
    return Intact(flash) ? LoadLe32(flash.data() + kBuildOffset) : 0;
  }

 private:
  static uint32_t Check(std::span<const uint8_t> flash) {
    static constexpr std::array<uint32_t, 256> kTable = [] {
      std::array<uint32_t, 256> table{};
      for (uint32_t i = 0; i < 256; ++i) {
        uint32_t entry = i;
        for (int bit = 0; bit < 8; ++bit) {
          entry = entry >> 1 ^ (entry & 1 ? 0x82F63B78u : 0u);
        }
        table[i] = entry;
      }
      return table;
    }();
    uint32_t crc = 0xFFFFFFFF;
    for (uint32_t i = kCodeStart; i < kCheckOffset; ++i) {
      crc = crc >> 8 ^ kTable[(crc ^ flash[i]) & 0xFF];
    }
    return ~crc;
  }
};

}  // namespace solvane
