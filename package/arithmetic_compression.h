#pragma once

#include <cstdint>

namespace solvane {

// LZARI decoder: LZSS over a 4096-byte window with adaptive arithmetic coding of
// literals and match lengths and a fixed distribution of match positions (the
// classic 1989 format). Its whole state lives in the object, so decoding
// allocates nothing; all of it but the fixed position model is set afresh by
// every Decode.
//
// Why it is not the plain port of the classic decoder: chunked cumulative counts
// (a symbol is found and counted over whole chunks of 16, not entry by entry), a
// reciprocal in place of the division by the total, and sign shifts instead of
// comparisons in the counts. Together they decode 3.3 to 3.5 times as fast as
// the plain port: the application image 3.5, the WiFi application image 3.3 to
// 3.4, the dense benchmark image 3.4 (medians of 5 repetitions of
// solvane-bench --benchmark_filter=Lzari, counter "speedup", on an otherwise
// idle machine; a loaded one shows less).
//
// Any change must still pass, unchanged:
// - the fuzz target fuzz/fuzz_lzari_decode.cpp, which decodes arbitrary streams
//   with this decoder and the classic one and fails on any byte that differs
//   (and, under the sanitizer, on any read or write out of bounds);
// - the round-trip tests in tests/lzari/, above all those that drive the symbol
//   total past 0x7FFF again and again so that the model halves its frequencies
//   and reorders its symbols (CodeLikeDataAcrossFrequencyHalvings,
//   SkewedLiteralsHalveAndReorderTheModel): the chunked counts must follow
//   every halving.
//
// The sign shifts work around GCC 12 (seen with 12.2 at -O3; the mingw-w64
// cross compiler is GCC 12 as well): written as sums of comparison results, the
// vectorised counts came out wrong once the decode functions were inlined into
// the main loop. Keep them while any build uses GCC 12.
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
  // Symbols are kept in chunks of 16, so that searching or counting a symbol
  // touches a few whole chunks and never a run of single entries: chunk c from
  // 1 to 20 holds the symbols 16 c - 15 to 16 c, and symbol 0 alone forms
  // chunk 0. Symbols past 314 pad the last chunk with frequency 0; chunks past
  // the 20th pad the per-chunk arrays.
  static constexpr uint32_t kChunk = 16;
  static constexpr uint32_t kChunks = 20;
  static constexpr uint32_t kPaddedSymbols = kChunk * kChunks;
  static constexpr uint32_t kPaddedChunks = 24;
  static constexpr uint32_t ChunkOf(uint32_t symbol) { return (symbol + kChunk - 1) / kChunk; }
  static constexpr uint32_t FirstOf(uint32_t chunk) { return kChunk * chunk - (kChunk - 1); }
  // The position search looks up where x / 16 falls and counts within the 8
  // positions from there: position totals fall by at least 2 per position.
  static constexpr uint32_t kPositionBucketShift = 4;
  static constexpr uint32_t kPositionWindow = 8;
  static constexpr uint32_t kPositionBuckets = (28568 >> kPositionBucketShift) + 1;

  void StartSymbolModel();
  void Refill();
  void Narrow(uint32_t bottom, uint32_t top);
  uint32_t DecodeChar();
  uint32_t DecodePosition();
  void SumFrequencies();
  uint16_t& SymbolFreq(uint32_t symbol) { return symbolFreq_[kChunk + symbol]; }
  uint32_t SymbolCum(uint32_t symbol) const;
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

  // The frequency of symbol s is symbolFreq_[16 + s]; the 16 entries before
  // symbol 1 hold 0, the classic sentinel, so that the 16 frequencies before
  // any symbol can be read at once. The cumulative frequency of symbol s, the
  // sum of the frequencies after it, is chunkTailCum_[c] + symbolCum_[s] for
  // its chunk c: what the symbols after the chunk hold plus what the chunk
  // holds after s. chunkHeadCum_[c] is that of the chunk's first symbol; for
  // chunk 0 both are the total. Every model value stays below 0x8000, so it
  // fits a 16-bit entry, and whole chunks are counted at once.
  uint16_t symbolChar_[kSymbols + 1];
  uint16_t symbolFreq_[kChunk + kSymbols + 1];
  int16_t symbolCum_[kPaddedSymbols + 1];
  int16_t chunkTailCum_[kPaddedChunks];
  int16_t chunkHeadCum_[kPaddedChunks];
  // 2^47 / total + 1: dividing by the total becomes a multiplication.
  uint64_t totalReciprocal_;
  int16_t positionCum_[kPositions + 1];
  uint16_t positionWindowStart_[kPositionBuckets];
};

}  // namespace solvane
