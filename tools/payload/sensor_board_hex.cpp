#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "sim/sensor_code_block.h"
#include "tools/payload/byte_append.h"
#include "tools/payload/code_generator.h"
#include "tools/payload/image_makers.h"

namespace solvane {
namespace {

constexpr uint32_t kFlashBase = 0x80000000;
constexpr uint32_t kImageEnd = 0xAB08;  // offset one past the last byte

// The linker's output sections: three runs of flash with gaps between them. Each
// section starts its own records, so a section's last record may be short.
struct Section {
  uint32_t offset;
  uint32_t length;
};
constexpr std::array<Section, 7> kSections = {{
    {0x0000, 0x0144},  // vectors
    {0x0144, 0x7A12},  // text
    {0x7B56, 0x1E42},  // rodata
    {0x9998, 0x0592},  // initialisation tables
    {0xA000, 0x0866},  // initialised data
    {0xA866, 0x00E6},  // code run from RAM
    {0xAA00, 0x0108},  // calibration block, ends erased
}};
static_assert(kSections[6].offset == SensorCodeBlock::kOffset);

void AppendRecord(std::string& text,
                  uint32_t address,
                  uint8_t type,
                  const uint8_t* data,
                  uint32_t count) {
  char field[16];
  std::snprintf(field, sizeof(field), ":%02X%04X%02X", count, address & 0xFFFF, type);
  text += field;
  uint32_t sum = count + (address >> 8 & 0xFF) + (address & 0xFF) + type;
  for (uint32_t i = 0; i < count; ++i) {
    std::snprintf(field, sizeof(field), "%02X", data[i]);
    text += field;
    sum += data[i];
  }
  std::snprintf(field, sizeof(field), "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
  text += field;
}

std::vector<uint8_t> MakeFlashContent() {
  std::vector<uint8_t> flash;
  flash.reserve(kImageEnd);
  AppendLe32(flash, 0x20008000);  // initial stack pointer
  for (uint32_t i = 1; i < kSections[0].length / 4; ++i) {
    AppendLe32(flash, i < 16 ? kFlashBase + 0x0145 + i * 0x40 : kFlashBase + 0x0145);
  }
  flash.resize(kSections[0].length);
  CodeGenerator code(0x5E2508ULL, kFlashBase, {12, 16, 0});
  code.Fill(flash, kSections[2].offset);
  code.AppendStrings(flash, kSections[3].offset - kSections[2].offset);
  flash.resize(kSections[3].offset);
  for (uint32_t source = 0; flash.size() < kSections[4].offset; source += 0x40) {
    AppendLe32(flash, kFlashBase + 0xA000 + source);  // copy from
    AppendLe32(flash, 0x20000000 + source);           // copy to
    AppendLe32(flash, 0x40);                          // length
  }
  flash.resize(kSections[4].offset, 0xFF);
  code.Fill(flash, kSections[6].offset);
  flash.resize(SensorCodeBlock::kBuildOffset + 4);  // magic and build: sealed below
  for (uint32_t key = 0; key < 23; ++key) {
    AppendLe16(flash, 0x0180 + key * 3);  // press threshold per key
    AppendLe16(flash, 0x0100 + key * 2);  // release threshold
  }
  flash.resize(kImageEnd, 0xFF);
  // Only the sections reach the board; the check covers the bytes it gets.
  std::vector<uint8_t> sections(kImageEnd, 0xFF);
  for (const Section& section : kSections) {
    std::copy_n(flash.begin() + section.offset, section.length, sections.begin() + section.offset);
  }
  // The catalogue's threshold build: a board programmed with this image is current.
  SensorCodeBlock::Seal(sections, 14760);
  return sections;
}

}  // namespace

std::vector<uint8_t> MakeSensorBoardHex() {
  const std::vector<uint8_t> flash = MakeFlashContent();
  std::string text;
  const uint8_t upper[2] = {kFlashBase >> 24, kFlashBase >> 16 & 0xFF};
  AppendRecord(text, 0, 0x04, upper, 2);
  for (const Section& section : kSections) {
    for (uint32_t at = 0; at < section.length; at += 16) {
      const uint32_t count = std::min<uint32_t>(16, section.length - at);
      AppendRecord(text, section.offset + at, 0x00, flash.data() + section.offset + at, count);
    }
  }
  const uint8_t entry[4] = {0x80, 0x00, 0x01, 0x45};  // reset handler, Thumb bit set
  AppendRecord(text, 0, 0x05, entry, 4);
  AppendRecord(text, 0, 0x01, nullptr, 0);
  return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace solvane
