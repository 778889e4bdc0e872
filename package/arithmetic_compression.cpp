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

constexpr uint32_t PositionTotal() {
  uint32_t total = 0;
  for (uint32_t i = 4096; i >= 1; i--) {
    total += 10000 / (i + 200);
  }
  return total;
}
// The position model never changes, so its total is a constant the compiler
// can divide by cheaply.
constexpr uint32_t kPositionTotal = PositionTotal();
static_assert(kPositionTotal == 28568);

constexpr uint32_t kReciprocalShift = 47;

// Numerators are range x cumulative frequency with range <= 2^17 and the
// frequency at most the total t < 2^15, so numerator x t < 2^47 and the
// product with 2^47 / t + 1 rounds down to the exact quotient. It only
// overflows 64 bits for range 2^17 at the total itself.
uint64_t ReciprocalOf(uint32_t total) {
  return (uint64_t{1} << kReciprocalShift) / total + 1;
}

// Counts over the model's tables, written as plain 16-bit arithmetic that
// compilers turn into a few vector operations. They take signs from shifts
// rather than from comparisons: GCC 12 miscompiles some vectorised sums of
// comparison results once they are inlined into the decoding loop.

// The count of the n entries from `entries` that are above `key`, for keys
// that differ from every entry by less than 0x8000: key - entry fits 16 bits
// and is negative exactly where the entry is above the key.
template <uint32_t n>
uint32_t CountAbove(const int16_t* entries, int16_t key) {
  int16_t count = 0;
  for (uint32_t j = 0; j < n; j++) {
    count = static_cast<int16_t>(count - (static_cast<int16_t>(key - entries[j]) >> 15));
  }
  return static_cast<uint32_t>(count);
}

// The count of the n entries from `entries` that equal `key`, all of them
// below 0x8000: entry ^ key is 0 exactly there, and negated it is negative
// everywhere else.
template <uint32_t n>
uint32_t CountEqual(const uint16_t* entries, uint16_t key) {
  int16_t count = n;
  for (uint32_t j = 0; j < n; j++) {
    const auto differs = static_cast<int16_t>(-static_cast<int16_t>(entries[j] ^ key));
    count = static_cast<int16_t>(count + (differs >> 15));
  }
  return static_cast<uint32_t>(count);
}

// Adds 1 to the first `count` (at most n) of the n entries from `entries`:
// j - count is negative exactly there.
template <uint32_t n>
void AddOneToFirst(int16_t* entries, uint32_t count) {
  const auto limit = static_cast<int16_t>(count);
  for (int16_t j = 0; j < static_cast<int16_t>(n); j++) {
    entries[j] = static_cast<int16_t>(entries[j] - (static_cast<int16_t>(j - limit) >> 15));
  }
}

}  // namespace

// The position model never changes, so it is set up once, with the object.
CArithmeticCompression::CArithmeticCompression()
    : input_(nullptr),
      inputLength_(0),
      inputPosition_(0),
      output_(nullptr),
      decodedLength_(0),
      outputCount_(0) {
  positionCum_[kPositions] = 0;
  for (uint32_t i = kPositions; i >= 1; i--) {
    positionCum_[i - 1] = static_cast<int16_t>(positionCum_[i] + 10000 / (i + 200));
  }
  // Every position from 1 up to `above` has a total above the bucket's first
  // x; the ones that x can still reach lie in the window that ends there.
  uint32_t above = kPositions - 1;
  for (uint32_t bucket = 0; bucket < kPositionBuckets; bucket++) {
    const auto first = static_cast<int16_t>(bucket << kPositionBucketShift);
    while (above > 0 && positionCum_[above] <= first) {
      above--;
    }
    positionWindowStart_[bucket] =
        static_cast<uint16_t>(std::max(above, kPositionWindow) - kPositionWindow + 1);
  }
}

void CArithmeticCompression::StartSymbolModel() {
  for (uint32_t s = 1; s <= kSymbols; s++) {
    symbolChar_[s] = static_cast<uint16_t>(s - 1);
    SymbolFreq(s) = 1;
  }
  std::fill(symbolFreq_, symbolFreq_ + kChunk + 1, 0);
  symbolCum_[0] = 0;
  std::fill(chunkTailCum_ + kChunks + 1, chunkTailCum_ + kPaddedChunks, 0);
  std::fill(chunkHeadCum_ + kChunks + 1, chunkHeadCum_ + kPaddedChunks, 0);
  SumFrequencies();
}

// Tops the window up to at least 57 bits. Past the end of the input the bits
// are 0; the window's bits below bitCount_ are either 0 or the stream's own.
void CArithmeticCompression::Refill() {
  if (inputLength_ - inputPosition_ >= 8) {
    const uint8_t* next = input_ + inputPosition_;
    uint64_t word = 0;
    for (int i = 0; i < 8; i++) {
      word = (word << 8) | next[i];
    }
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

// Narrows the interval to the part from `bottom` to `top` above low, then
// renormalises it; `top` counts only modulo 2^17. The classic loop shifts one bit at a time: out
// while the top bits of low and high - 1 agree (whichever of its three cases applies, the step is
// the same shift modulo 2^17), then while the interval straddles the middle closely (low = 01...,
// high - 1 = 10...). Both runs are counted at once.
void CArithmeticCompression::Narrow(uint32_t bottom, uint32_t top) {
  const uint32_t low = low_ + bottom;
  const uint32_t last = low_ + top - 1;
  // The guard bit stops the count at 17, where low and last agree throughout.
  const auto same = static_cast<uint32_t>(std::countl_zero(((low ^ last) << 15) | 0x4000));
  // Past the agreeing bits and the first bit that differs, the straddling bits
  // are the run where low has 1 and last 0.
  const auto straddle =
      static_cast<uint32_t>(std::countl_one((uint64_t{low & ~last} << 48) << same));
  const uint32_t shifts = same + straddle;
  const uint32_t filled = (1u << shifts) - 1;
  low_ = (low << shifts) & 0xFFFF;
  high_ = ((((last << shifts) | filled) & 0xFFFF) | 0x10000) + 1;
  valueOffset_ = ((valueOffset_ - bottom) << shifts) +
                 static_cast<uint32_t>((bitWindow_ >> 1) >> (63 - shifts));
  bitWindow_ <<= shifts;
  bitCount_ -= shifts;
}

uint32_t CArithmeticCompression::SymbolCum(uint32_t symbol) const {
  return static_cast<uint32_t>(chunkTailCum_[ChunkOf(symbol)] + symbolCum_[symbol]);
}

// valueOffset_ stays below range (each step keeps value inside the interval
// it narrows to), so x stays below the total and fits 15 bits.
uint32_t CArithmeticCompression::DecodeChar() {
  const uint32_t range = high_ - low_;
  const auto total = static_cast<uint32_t>(chunkTailCum_[0]);
  const auto x = static_cast<int16_t>(((valueOffset_ + 1) * total - 1) / range);
  // The cumulative frequencies fall strictly with the symbol, so the symbol is
  // one past the count of those above x. The chunks before the last one whose
  // first symbol is above x lie wholly above x; chunk 0, symbol 0 alone,
  // always does, and symbol 1 is found in chunk 1.
  const uint32_t chunk = std::max(CountAbove<kPaddedChunks>(chunkHeadCum_, x), 2u) - 1;
  const uint32_t first = FirstOf(chunk);
  // x - tail - symbolCum_[s] is x minus a cumulative frequency, which fits.
  const auto inChunk = static_cast<int16_t>(x - chunkTailCum_[chunk]);
  const uint32_t symbol = first + CountAbove<kChunk>(symbolCum_ + first, inChunk);
  // Only the widest interval, range 2^17, scaled by the total itself,
  // overflows 32 bits: it wraps to 0 in place of 2^17, which Narrow takes alike.
  const auto scale = [&](uint32_t cum) {
    return static_cast<uint32_t>(
        (uint64_t{static_cast<uint32_t>(range * cum)} * totalReciprocal_) >> kReciprocalShift);
  };
  Narrow(scale(SymbolCum(symbol)), scale(SymbolCum(symbol - 1)));
  const uint32_t character = symbolChar_[symbol];
  UpdateModel(symbol);
  return character;
}

uint32_t CArithmeticCompression::DecodePosition() {
  const uint32_t range = high_ - low_;
  const uint32_t x = ((valueOffset_ + 1) * kPositionTotal - 1) / range;
  const uint32_t start = positionWindowStart_[x >> kPositionBucketShift];
  const uint32_t position =
      start - 1 + CountAbove<kPositionWindow>(positionCum_ + start, static_cast<int16_t>(x));
  const auto scale = [&](int16_t cum) {
    return range * static_cast<uint32_t>(cum) / kPositionTotal;
  };
  Narrow(scale(positionCum_[position + 1]), scale(positionCum_[position]));
  return position;
}

void CArithmeticCompression::SumFrequencies() {
  uint32_t cum = 0;
  for (uint32_t s = kPaddedSymbols; s >= 1; s--) {
    const uint32_t chunk = ChunkOf(s);
    if (s == kChunk * chunk) {
      chunkTailCum_[chunk] = static_cast<int16_t>(cum);
    }
    symbolCum_[s] = static_cast<int16_t>(cum - static_cast<uint32_t>(chunkTailCum_[chunk]));
    if (s == FirstOf(chunk)) {
      chunkHeadCum_[chunk] = static_cast<int16_t>(cum);
    }
    if (s <= kSymbols) {
      cum += SymbolFreq(s);
    }
  }
  symbolCum_[0] = 0;
  chunkTailCum_[0] = static_cast<int16_t>(cum);
  chunkHeadCum_[0] = static_cast<int16_t>(cum);
  totalReciprocal_ = ReciprocalOf(cum);
}

void CArithmeticCompression::UpdateModel(uint32_t symbol) {
  if (static_cast<uint32_t>(chunkTailCum_[0]) >= kFrequencyLimit) {
    // Rounding up keeps every frequency at 1 or more.
    for (uint32_t s = 1; s <= kSymbols; s++) {
      SymbolFreq(s) = static_cast<uint16_t>((SymbolFreq(s) + 1) / 2);
    }
    SumFrequencies();
  }
  // The frequencies fall with the symbol, so the symbols of equal frequency
  // before it are the last ones of the 16 before it, unless all 16 are. Most
  // often the symbol before it differs already.
  const uint16_t freq = SymbolFreq(symbol);
  uint32_t i = symbol;
  if (SymbolFreq(symbol - 1) == freq) {
    i = symbol - CountEqual<kChunk>(symbolFreq_ + symbol, freq);
    if (i + kChunk == symbol) [[unlikely]] {
      while (SymbolFreq(i - 1) == freq) {
        i--;
      }
    }
  }
  std::swap(symbolChar_[i], symbolChar_[symbol]);
  SymbolFreq(i)++;
  // Every symbol before i gains 1: the chunks before its own (symbol 0's
  // among them) through their tails, the heads of those that begin before i,
  // and the symbols before i in its own chunk one by one.
  const uint32_t chunk = ChunkOf(i);
  AddOneToFirst<kPaddedChunks>(chunkTailCum_, chunk);
  AddOneToFirst<kPaddedChunks>(chunkHeadCum_, ChunkOf(i - 1) + 1);
  AddOneToFirst<kChunk>(symbolCum_ + FirstOf(chunk), i - FirstOf(chunk));
  totalReciprocal_ = ReciprocalOf(static_cast<uint32_t>(chunkTailCum_[0]));
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
  if (input == nullptr || output == nullptr || inputLength == 0 || decodedLength == 0) {
    return 0;
  }
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

  StartSymbolModel();
  std::memset(ring_, ' ', kRingSize - kLongestMatch);
  // Never read by a well-formed stream; set so that a damaged one is repeatable.
  std::memset(ring_ + kRingSize - kLongestMatch, 0, kLongestMatch);
  ringPosition_ = kRingSize - kLongestMatch;

  while (outputCount_ < decodedLength_) {
    // A character and a position take at most 17 bits each; topping up every
    // time costs less than a branch that the stream decides.
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
