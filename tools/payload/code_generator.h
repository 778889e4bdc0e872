#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/payload/prng.h"

namespace solvane {

// Bytes that look like the code of a 32-bit ARM firmware: functions of
// instruction words from a small vocabulary, shared idioms, literal pools,
// pointer tables and message strings. The mix decides how well it compresses.
class CodeGenerator {
 public:
  struct Style {
    uint32_t repeatPercent;  // copies of a recent stretch with a word changed
    uint32_t idiomPercent;   // sequences shared by the whole image
    uint32_t stringPercent;  // blocks of message strings
  };

  CodeGenerator(uint64_t seed, uint32_t loadAddress, Style style);

  // Appends to `out` until it holds `size` bytes.
  void Fill(std::vector<uint8_t>& out, size_t size);

  // Appends NUL-terminated messages of about `length` bytes, word aligned.
  void AppendStrings(std::vector<uint8_t>& out, size_t length);

 private:
  uint32_t Instruction();
  uint32_t Register() { return prng_.Skewed(13); }
  void AppendFunction(std::vector<uint8_t>& out);
  void AppendRepeat(std::vector<uint8_t>& out);
  void AppendPointerTable(std::vector<uint8_t>& out);

  Prng prng_;
  uint32_t loadAddress_;
  Style style_;
  std::vector<std::vector<uint32_t>> idioms_;
};

}  // namespace solvane
