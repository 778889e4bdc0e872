#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// Okumura's 1989 LZARI decoder transcribed as plainly as possible: the tests
// check the product decoder and the encoder against it, and the benchmarks
// measure the product decoder's speed against it. Bits past the end of the stream are
// read as `eofBit`; the classic program got all ones there from getc's EOF.
std::vector<uint8_t> LzariReferenceDecode(std::span<const uint8_t> stream,
                                          uint32_t decodedLength,
                                          int eofBit = 1);

}  // namespace solvane
