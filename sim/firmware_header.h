#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

#include "device/packet_header.h"

namespace solvane {

// The 292-byte header that begins the application and boot code images made
// for the simulated writer. The writer reads the version word and build it runs
// after the next restart from here.
//
//   0   8 bytes  magic "SVSIMFW" and a NUL
//   8   u32      header size, 292
//   12  u32      component: 1 application code, 2 boot code
//   16  u32      version word
//   20  u32      build number
//   24  u32      image length, header included
//   28  264      description text, NUL-padded
struct FirmwareHeader {
  static constexpr uint32_t kSize = 292;
  static constexpr uint32_t kApplication = 1;
  static constexpr uint32_t kBoot = 2;
  static constexpr char kMagic[8] = {'S', 'V', 'S', 'I', 'M', 'F', 'W', 0};

  uint32_t component = 0;
  uint32_t versionWord = 0;
  uint32_t build = 0;
  uint32_t imageLength = 0;
  char description[264] = {};

  void Encode(uint8_t* out) const {
    std::memset(out, 0, kSize);
    std::memcpy(out, kMagic, sizeof(kMagic));
    StoreLe32(out + 8, kSize);
    StoreLe32(out + 12, component);
    StoreLe32(out + 16, versionWord);
    StoreLe32(out + 20, build);
    StoreLe32(out + 24, imageLength);
    std::memcpy(out + 28, description, sizeof(description));
  }

  static std::optional<FirmwareHeader> Parse(const uint8_t* data, size_t size) {
    if (size < kSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0 ||
        LoadLe32(data + 8) != kSize) {
      return std::nullopt;
    }
    FirmwareHeader header;
    header.component = LoadLe32(data + 12);
    header.versionWord = LoadLe32(data + 16);
    header.build = LoadLe32(data + 20);
    header.imageLength = LoadLe32(data + 24);
    std::memcpy(header.description, data + 28, sizeof(header.description));
    header.description[sizeof(header.description) - 1] = 0;
    return header;
  }
};

}  // namespace solvane
