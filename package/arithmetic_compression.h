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
  uint32_t Decode(const uint8_t* input,
                  uint32_t inputLength,
                  uint8_t* output,
                  uint32_t decodedLength);

 private:
  static constexpr uint32_t kRingSize = 4096;
  static constexpr uint32_t kSymbols = 314;
  static constexpr uint32_t kPositions = 4096;
  // Symbols are searched 16 at a time; the tail past symbol 314 stays 0.
  static constexpr uint32_t kCumEntries = 1 + 16 * 20;

  void StartModel();
  void Refill();
  void Renormalise();
  uint32_t DecodeChar();
  uint32_t DecodePosition();
  void UpdateModel(uint32_t symbol);
  void CopyMatch(uint32_t distance, uint32_t length);

  // Input: the stream and the next byte to read. The bit reader keeps the next
  // bits in a window, most significant first, refilled a few bytes at a time.
  const uint8_t* input_;
  uint32_t inputLength_;
  uint32_t inputPosition_;
  uint64_t bitWindow_;
  uint32_t bitCount_;

  uint8_t* output_;
  uint32_t decodedLength_;
  uint32_t outputCount_;

  // Arithmetic decoder. Only value - low ever matters, so that difference is
  // kept in place of value.
  uint32_t low_;
  uint32_t high_;
  uint32_t valueOffset_;

  uint32_t ringPosition_;
  uint8_t ring_[kRingSize];

  // Every model value fits 16 bits: frequencies and totals stay below 0x8000.
  uint16_t symbolChar_[kSymbols + 1];
  uint16_t symbolFreq_[kSymbols + 1];
  uint16_t symbolCum_[kCumEntries];
  uint16_t positionCum_[kPositions + 1];
};

}  // namespace solvane
