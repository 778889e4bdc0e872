#include "tools/payload/code_generator.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "tools/payload/byte_append.h"

namespace solvane {
namespace {

constexpr size_t kIdiomCount = 64;
constexpr size_t kRepeatWindow = 3000;  // inside the 4096-byte LZARI window

constexpr std::array<std::string_view, 40> kWords = {
    "flash",  "sector",     "write",  "read",      "erase",    "USB",     "steno",   "stroke",
    "buffer", "overflow",   "init",   "config",    "battery",  "display", "key",     "sensor",
    "WiFi",   "file",       "open",   "close",     "realtime", "clock",   "timeout", "error",
    "boot",   "image",      "verify", "failed",    "ready",    "packet",  "queue",   "task",
    "memory", "dictionary", "job",    "translate", "audio",    "card",    "power",   "link"};

constexpr std::array<std::string_view, 6> kFormats = {"%s %s: %s\n",    "%s %s failed (%d)\n",
                                                      "Cannot %s %s\n", "%s: %s %s %s 0x%08X\n",
                                                      "%s %s done\n",   "[%s] %s %s %d/%d\n"};

}  // namespace

CodeGenerator::CodeGenerator(uint64_t seed, uint32_t loadAddress, Style style)
    : prng_(seed), loadAddress_(loadAddress), style_(style) {
  for (size_t i = 0; i < kIdiomCount; ++i) {
    std::vector<uint32_t> idiom(prng_.Between(3, 10));
    for (uint32_t& word : idiom) {
      word = Instruction();
    }
    idioms_.push_back(std::move(idiom));
  }
}

uint32_t CodeGenerator::Instruction() {
  // One draw per statement: operands of one expression are evaluated in no fixed
  // order, and the images must not depend on the compiler.
  const uint32_t rd = Register() << 12;
  const uint32_t rn = Register() << 16;
  const uint32_t rm = Register();
  const uint32_t kind = prng_.Skewed(14);
  const bool variant = prng_.Percent(55);
  const uint32_t small = prng_.Skewed(64);
  const uint32_t wide = prng_.Below(4096);
  switch (kind) {
    case 0:  // ldr rd, [rn, #imm]
      return 0xE5900000 | rn | rd | small % 32 * 4;
    case 1:  // str rd, [rn, #imm]
      return 0xE5800000 | rn | rd | small % 32 * 4;
    case 2:  // mov rd, rm
      return 0xE1A00000 | rd | rm;
    case 3:  // add/sub rd, rn, #imm
      return (variant ? 0xE2800000 : 0xE2400000) | rn | rd | small;
    case 4:  // cmp rn, #imm
      return 0xE3500000 | rn | small % 32;
    case 5: {  // conditional branch, mostly short and forward
      static constexpr std::array<uint32_t, 6> kConditions = {0, 1, 10, 11, 12, 13};
      return kConditions[wide % 6] << 28 | 0x0A000000 | small % 48;
    }
    case 6:  // bl to one of a limited set of routines
      return 0xEB000000 | (0xFFF000 + small * wide % 4096 * 7) % 0x1000000;
    case 7:  // mov rd, #imm
      return 0xE3A00000 | rd | (small * 4 + wide % 4);
    case 8:  // ldr rd, [pc, #imm] from the literal pool
      return 0xE59F0000 | rd | small * 4;
    case 9:  // data processing between registers
      return 0xE0000000 | wide % 16 << 21 | rn | rd | rm;
    case 10:  // bx lr
      return 0xE12FFF1E;
    case 11:  // orr/and rd, rn, #imm with rotation
      return (variant ? 0xE3800000 : 0xE2000000) | rn | rd | wide;
    case 12:  // ldrb/strb
      return (variant ? 0xE5D00000 : 0xE5C00000) | rn | rd | small % 16;
    default:  // nop
      return 0xE320F000;
  }
}

void CodeGenerator::AppendFunction(std::vector<uint8_t>& out) {
  AppendLe32(out, 0xE92D4000 | (0xFF0u >> prng_.Below(5)));  // push {r4-..., lr}
  const uint32_t length = prng_.Between(6, 48);
  for (uint32_t i = 0; i < length; ++i) {
    if (prng_.Percent(style_.idiomPercent)) {
      for (uint32_t word : idioms_[prng_.Skewed(kIdiomCount)]) {
        AppendLe32(out, word);
      }
    } else {
      AppendLe32(out, Instruction());
    }
  }
  AppendLe32(out, 0xE8BD8000 | (0xFF0u >> prng_.Below(5)));  // pop {r4-..., pc}
  const uint32_t literals = prng_.Below(5);
  for (uint32_t i = 0; i < literals; ++i) {
    AppendLe32(out, loadAddress_ + prng_.Skewed(0x40000) * 4);
  }
}

void CodeGenerator::AppendRepeat(std::vector<uint8_t>& out) {
  const size_t window = std::min(out.size(), kRepeatWindow) / 4 * 4;
  if (window < 64) {
    AppendFunction(out);
    return;
  }
  const size_t length = size_t{prng_.Between(4, 40)} * 4;
  const size_t from =
      out.size() - window + size_t{prng_.Below(static_cast<uint32_t>(window / 4))} * 4;
  for (size_t i = 0; i < length && from + i < out.size(); ++i) {
    out.push_back(out[from + i]);
  }
  AppendLe32(out, Instruction());
}

void CodeGenerator::AppendPointerTable(std::vector<uint8_t>& out) {
  uint32_t address = loadAddress_ + prng_.Below(0x100000) * 4;
  const uint32_t entries = prng_.Between(4, 32);
  for (uint32_t i = 0; i < entries; ++i) {
    AppendLe32(out, address);
    address += prng_.Between(1, 24) * 4;
  }
}

void CodeGenerator::AppendStrings(std::vector<uint8_t>& out, size_t length) {
  const size_t end = out.size() + length;
  while (out.size() < end) {
    const std::string_view format = kFormats[prng_.Skewed(kFormats.size())];
    // Fill the %s slots with words; the other conversions stay as printf sees them.
    std::string message;
    for (size_t i = 0; i < format.size(); ++i) {
      if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
        message += kWords[prng_.Skewed(kWords.size())];
        ++i;
      } else {
        message += format[i];
      }
    }
    AppendText(out, message);
    do {
      out.push_back(0);
    } while (out.size() % 4 != 0);
  }
}

void CodeGenerator::Fill(std::vector<uint8_t>& out, size_t size) {
  while (out.size() < size) {
    const uint32_t pick = prng_.Below(100);
    if (pick < style_.repeatPercent) {
      AppendRepeat(out);
    } else if (pick < style_.repeatPercent + style_.stringPercent) {
      AppendStrings(out, prng_.Between(16, 160));
    } else if (pick < style_.repeatPercent + style_.stringPercent + 4) {
      AppendPointerTable(out);
    } else {
      AppendFunction(out);
    }
  }
  out.resize(size);
}

}  // namespace solvane
