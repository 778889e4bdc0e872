#include "package/arithmetic_compression.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace solvane {
namespace {

constexpr uint32_t kRingMask = 4095;
constexpr uint32_t kLongestMatch = 60;
constexpr uint32_t kThreshold = 2;
constexpr uint32_t kQ4 = 0x20000;
constexpr uint32_t kFrequencyLimit = 0x7FFF;
constexpr uint32_t kSeventeenBits = kQ4 - 1;

constexpr uint32_t PositionTotal() {
  uint32_t total = 0;
  for (uint32_t i = 4096; i >= 1; i--)
    total += 10000 / (i + 200);
  return total;
}
// The position model never changes, so its total is a constant the compiler
// can divide by cheaply.
constexpr uint32_t kPositionTotal = PositionTotal();
static_assert(kPositionTotal == 28568);

}  // namespace

CArithmeticCompression::CArithmeticCompression()
    : input_(nullptr),
      inputLength_(0),
      inputPosition_(0),
      output_(nullptr),
      decodedLength_(0),
      outputCount_(0) {}

void CArithmeticCompression::StartModel() {
  symbolCum_[kSymbols] = 0;
  for (uint32_t s = kSymbols; s >= 1; s--) {
    symbolChar_[s] = static_cast<uint16_t>(s - 1);
    symbolFreq_[s] = 1;
    symbolCum_[s - 1] = static_cast<uint16_t>(symbolCum_[s] + 1);
  }
  symbolFreq_[0] = 0;
  std::fill(symbolCum_ + kSymbols + 1, symbolCum_ + kCumEntries, 0);
  positionCum_[kPositions] = 0;
  for (uint32_t i = kPositions; i >= 1; i--)
    positionCum_[i - 1] = static_cast<uint16_t>(positionCum_[i] + 10000 / (i + 200));
}

// Tops the window up to at least 57 bits. Past the end of the input the bits
// are 0; the window's bits below bitCount_ are either 0 or the stream's own.
void CArithmeticCompression::Refill() {
  if (inputLength_ - inputPosition_ >= 8) {
    const uint8_t* next = input_ + inputPosition_;
    uint64_t word = 0;
    for (int i = 0; i < 8; i++)
      word = (word << 8) | next[i];
    bitWindow_ |= word >> bitCount_;
    const uint32_t bytes = (63 - bitCount_) >> 3;
    inputPosition_ += bytes;
    bitCount_ += bytes * 8;
    return;
  }
  while (bitCount_ <= 56) {
    const uint64_t byte = inputPosition_ < inputLength_ ? input_[inputPosition_++] : 0;
    bitWindow_ |= byte << (56 - bitCount_);
    bitCount_ += 8;
  }
}

// The classic loop shifts one bit at a time: out while the top bits of low and
// high - 1 agree (whichever of its three cases applies, the step is the same
// shift modulo 2^17), then while the interval straddles the middle closely
// (low = 01..., high - 1 = 10...). Both runs are counted at once.
void CArithmeticCompression::Renormalise() {
  uint32_t low = low_;
  uint32_t top = high_ - 1;
  const uint32_t same = std::min(std::countl_zero((low ^ top) << 15), 17);
  low = (low << same) & kSeventeenBits;
  top = ((top << same) | ((1u << same) - 1)) & kSeventeenBits;
  const uint32_t straddle = std::countl_one((low & ~top) << 16);
  low = (low << straddle) & 0xFFFF;
  top = ((top << straddle) & 0xFFFF) | 0x10000 | ((1u << straddle) - 1);
  low_ = low;
  high_ = top + 1;
  const uint32_t shifts = same + straddle;
  valueOffset_ =
      (valueOffset_ << shifts) + static_cast<uint32_t>((bitWindow_ >> 1) >> (63 - shifts));
  bitWindow_ <<= shifts;
  bitCount_ -= shifts;
}

uint32_t CArithmeticCompression::DecodeChar() {
  const uint32_t range = high_ - low_;
  const uint32_t total = symbolCum_[0];
  const uint32_t x = ((valueOffset_ + 1) * total - 1) / range;
  // The cumulative frequencies fall strictly with the symbol, so the symbol is
  // one past the count of those above x; count them 16 at a time.
  const uint16_t key = static_cast<uint16_t>(std::min<uint32_t>(x, 0xFFFF));
  uint32_t symbol = 1;
  for (;;) {
    uint32_t above = 0;
    for (uint32_t j = 0; j < 16; j++)
      above += symbolCum_[symbol + j] > key;
    symbol += above;
    if (above < 16)
      break;
  }
  const uint32_t bottom = range * symbolCum_[symbol] / total;
  high_ = low_ + range * symbolCum_[symbol - 1] / total;
  low_ += bottom;
  valueOffset_ -= bottom;
  Renormalise();
  const uint32_t character = symbolChar_[symbol];
  UpdateModel(symbol);
  return character;
}

uint32_t CArithmeticCompression::DecodePosition() {
  const uint32_t range = high_ - low_;
  const uint32_t x = ((valueOffset_ + 1) * kPositionTotal - 1) / range;
  // Lower bound of the first entry from 1 on that is not above x.
  const uint16_t* base = positionCum_ + 1;
  for (uint32_t n = kPositions; n > 1; n -= n / 2)
    base = base[n / 2] > x ? base + n / 2 : base;
  base += *base > x;
  const uint32_t position = static_cast<uint32_t>(base - positionCum_) - 1;
  const uint32_t bottom = range * positionCum_[position + 1] / kPositionTotal;
  high_ = low_ + range * positionCum_[position] / kPositionTotal;
  low_ += bottom;
  valueOffset_ -= bottom;
  Renormalise();
  return position;
}

void CArithmeticCompression::UpdateModel(uint32_t symbol) {
  if (symbolCum_[0] >= kFrequencyLimit) {
    uint32_t cum = 0;
    for (uint32_t i = kSymbols; i > 0; i--) {
      symbolCum_[i] = static_cast<uint16_t>(cum);
      symbolFreq_[i] = static_cast<uint16_t>((symbolFreq_[i] + 1) / 2);
      cum += symbolFreq_[i];
    }
    symbolCum_[0] = static_cast<uint16_t>(cum);
  }
  const uint16_t freq = symbolFreq_[symbol];
  uint32_t i = symbol;
  while (symbolFreq_[i - 1] == freq)
    i--;
  if (i < symbol)
    std::swap(symbolChar_[i], symbolChar_[symbol]);
  symbolFreq_[i]++;
  for (uint32_t k = 0; k < i; k++)
    symbolCum_[k]++;
}

void CArithmeticCompression::CopyMatch(uint32_t distance, uint32_t length) {
  const uint32_t from = (ringPosition_ - distance) & kRingMask;
  uint8_t* out = output_ + outputCount_;
  outputCount_ += length;
  if (distance >= length && from + length <= kRingSize && ringPosition_ + length <= kRingSize) {
    // The source is read whole before the ring is written, which is what the
    // byte loop does too when neither side wraps and the source does not run
    // into the bytes being written.
    std::memcpy(out, ring_ + from, length);
    std::memcpy(ring_ + ringPosition_, out, length);
    ringPosition_ = (ringPosition_ + length) & kRingMask;
    return;
  }
  for (uint32_t k = 0; k < length; k++) {
    const uint8_t byte = ring_[(from + k) & kRingMask];
    out[k] = byte;
    ring_[ringPosition_] = byte;
    ringPosition_ = (ringPosition_ + 1) & kRingMask;
  }
}

uint32_t CArithmeticCompression::Decode(const uint8_t* input,
                                        uint32_t inputLength,
                                        uint8_t* output,
                                        uint32_t decodedLength) {
  if (input == nullptr || output == nullptr || inputLength == 0 || decodedLength == 0)
    return 0;
  input_ = input;
  inputLength_ = inputLength;
  inputPosition_ = 0;
  bitWindow_ = 0;
  bitCount_ = 0;
  output_ = output;
  decodedLength_ = decodedLength;
  outputCount_ = 0;

  low_ = 0;
  high_ = kQ4;
  Refill();
  valueOffset_ = static_cast<uint32_t>(bitWindow_ >> (64 - 17));
  bitWindow_ <<= 17;
  bitCount_ -= 17;

  StartModel();
  std::memset(ring_, ' ', kRingSize - kLongestMatch);
  // Never read by a well-formed stream; set so that a damaged one is repeatable.
  std::memset(ring_ + kRingSize - kLongestMatch, 0, kLongestMatch);
  ringPosition_ = kRingSize - kLongestMatch;

  while (outputCount_ < decodedLength_) {
    // A character and a position take at most 17 bits each.
    if (bitCount_ < 40)
      Refill();
    const uint32_t character = DecodeChar();
    if (character < 256) {
      output_[outputCount_++] = static_cast<uint8_t>(character);
      ring_[ringPosition_] = static_cast<uint8_t>(character);
      ringPosition_ = (ringPosition_ + 1) & kRingMask;
    } else {
      const uint32_t distance = DecodePosition() + 1;
      CopyMatch(distance, character - 255 + kThreshold);
    }
  }
  return outputCount_;
}

}  // namespace solvane
