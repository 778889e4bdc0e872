#pragma once

#include <cstdint>

namespace solvane {

// SplitMix64: the images must come out the same on every compiler and standard
// library, so the generator carries its own generator and its own ranges.
class Prng {
 public:
  explicit Prng(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // A value in 0 .. bound - 1; the tiny modulo bias does not matter here.
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

  uint32_t Between(uint32_t low, uint32_t high) { return low + Below(high - low + 1); }

  bool Percent(uint32_t percent) { return Below(100) < percent; }

  // Small values far more often than large ones, as registers and immediates are.
  uint32_t Skewed(uint32_t bound) { return Below(Below(bound) + 1); }

 private:
  uint64_t state_;
};

}  // namespace solvane
