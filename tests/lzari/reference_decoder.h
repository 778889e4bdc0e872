#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane::testing {

// Okumura's 1989 LZARI decoder transcribed as plainly as possible, to check the
// product decoder and the encoder against. Bits past the end of the stream are
// read as `eofBit`; the classic program got all ones there from getc's EOF.
std::vector<uint8_t> ReferenceDecode(std::span<const uint8_t> stream,
                                     uint32_t decodedLength,
                                     int eofBit = 1);

}  // namespace solvane::testing
