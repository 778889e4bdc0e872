#pragma once

#include <cstdint>

namespace solvane {

inline constexpr int32_t kHexTruncated = -1;
inline constexpr int32_t kHexOutOfRange = -2;
inline constexpr int32_t kHexBadChecksum = -3;

// Loads Intel HEX text into the memory image `image` of `imageSize` bytes that
// stands for the addresses base .. base + imageSize - 1. Returns the span of the
// data written (highest - lowest address + 1) when the load ends well, or one of
// the negative results above. The caller fills the image with 0xFF first.
int32_t LoadIntelHex(const char* text,
                     uint32_t length,
                     uint8_t* image,
                     uint32_t imageSize,
                     uint32_t base);

}  // namespace solvane
