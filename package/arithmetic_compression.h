#pragma once

#include <cstdint>

namespace solvane {

// LZARI decoder: LZSS over a 4096-byte window with adaptive arithmetic coding of
// literals and match lengths and a fixed distribution of match positions (the
// classic 1989 format). Its whole state lives in the object and is set afresh by
// every Decode, so decoding allocates nothing.
class CArithmeticCompression {
 public:
  CArithmeticCompression();
  virtual ~CArithmeticCompression() = default;

  // Decodes `inputLength` bytes of stream into `output` until at least
  // `decodedLength` bytes are written; a match that starts before the end is
  // copied whole, so up to decodedLength + 59 bytes are written. Returns the
  // count written; 0 when an argument is null or zero. Never reads at or beyond
  // inputLength.
  uint32_t Decode(const uint8_t* input, uint32_t inputLength, uint8_t* output,
                  uint32_t decodedLength);

  // (private state is laid out by the implementation)
};

}  // namespace solvane
