#include <cstdio>
#include <cstring>

#include "sim/firmware_header.h"
#include "tools/payload/byte_append.h"
#include "tools/payload/code_generator.h"
#include "tools/payload/image_makers.h"

namespace solvane {
namespace {

constexpr CodeGenerator::Style kWriterStyle = {9, 9, 3};
constexpr CodeGenerator::Style kBootStyle = {4, 4, 2};
constexpr CodeGenerator::Style kWifiStyle = {3, 3, 2};

// Opaque images that carry their own length in their first word.
std::vector<uint8_t> StartCountedImage(size_t size) {
  std::vector<uint8_t> image;
  image.reserve(size);
  AppendLe32(image, static_cast<uint32_t>(size - 4));
  return image;
}

}  // namespace

std::vector<uint8_t> MakeWriterCode(uint32_t component,
                                    uint32_t versionWord,
                                    uint32_t build,
                                    size_t size) {
  FirmwareHeader header;
  header.component = component;
  header.versionWord = versionWord;
  header.build = build;
  header.imageLength = static_cast<uint32_t>(size);
  std::snprintf(header.description, sizeof(header.description),
                "Solvane %s %X.%02X.%02X build %u (simulated writer)",
                component == FirmwareHeader::kBoot ? "boot code" : "application", versionWord >> 24,
                (versionWord >> 16) & 0xFF, (versionWord >> 8) & 0xFF, build);

  std::vector<uint8_t> image(FirmwareHeader::kSize);
  image.reserve(size);
  header.Encode(image.data());
  const bool boot = component == FirmwareHeader::kBoot;
  CodeGenerator code(boot ? 0xB007C0DEULL : 0xA99C0DEULL + build, boot ? 0x80008000 : 0x80100000,
                     boot ? kBootStyle : kWriterStyle);
  code.Fill(image, size);
  return image;
}

std::vector<uint8_t> MakeXLoader() {
  constexpr size_t kSize = 32256;
  std::vector<uint8_t> image;
  image.reserve(kSize);
  AppendLe32(image, kSize - 8);
  AppendLe32(image, 0x40200800);  // load address in the SoC's internal RAM
  CodeGenerator code(0x10ADE4ULL, 0x40200800, kWriterStyle);
  code.Fill(image, 24000);
  AppendText(image, "X-Loader 6.00 (");
  image.push_back(0);
  code.AppendStrings(image, 600);
  code.Fill(image, kSize);
  return image;
}

std::vector<uint8_t> MakeWifiApplication() {
  constexpr size_t kSize = 280280;
  std::vector<uint8_t> image = StartCountedImage(kSize);
  AppendLe32(image, 0x020400E9);  // image magic, segment count, flash mode and size
  AppendLe32(image, 0x40080000);  // entry point
  CodeGenerator code(0x5F1F1ULL, 0x400D0000, kWifiStyle);
  code.Fill(image, 256);
  AppendText(image, "solvane-wifi");
  image.resize(image.size() + 20);
  AppendText(image, "v2.1.0");
  code.Fill(image, kSize);
  return image;
}

std::vector<uint8_t> MakeWifiNvs() {
  constexpr size_t kSize = 916;
  std::vector<uint8_t> image = StartCountedImage(kSize);
  // Fields in the order the rows below read; padding in a small table is no cost.
  struct Entry {  // NOLINT(clang-analyzer-optin.performance.Padding)
    uint8_t space;
    uint8_t type;
    const char* key;
    uint32_t value;
  };
  static constexpr Entry kEntries[] = {
      {0, 0x01, "solvane", 1},        {0, 0x01, "phy", 2},
      {1, 0x01, "mode", 1},           {1, 0x02, "channel", 6},
      {1, 0x21, "ssid", 0x00100000},  {1, 0x21, "password", 0x00400000},
      {1, 0x01, "country", 0x5355},   {1, 0x04, "bandwidth", 20},
      {2, 0x04, "cal_version", 0x2E}, {2, 0x42, "cal_data", 0x0400},
      {1, 0x01, "sta.auto", 1},       {1, 0x04, "tx_power", 78},
  };
  AppendLe32(image, 0xFFFFFFFE);  // page state: active
  AppendLe32(image, 0);           // sequence number
  image.resize(image.size() + 24, 0xFF);
  for (const Entry& entry : kEntries) {
    image.push_back(entry.space);
    image.push_back(entry.type);
    image.push_back(1);                            // span
    image.push_back(0xFF);                         // chunk index
    AppendLe32(image, entry.value * 0x9E3779B1u);  // stands in for the entry's CRC
    char key[16] = {};
    std::strncpy(key, entry.key, sizeof(key) - 1);
    image.insert(image.end(), key, key + sizeof(key));
    AppendLe32(image, entry.value);
    AppendLe32(image, entry.type >= 0x21 ? 0xFFFFFFFF : 0);
  }
  image.resize(kSize, 0xFF);  // erased rest of the page
  return image;
}

}  // namespace solvane
