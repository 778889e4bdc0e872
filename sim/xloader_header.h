#pragma once

#include <cstdint>
#include <span>

#include "platform/little_endian.h"

namespace solvane {

// The 8-byte header that begins an X-Loader: the count of the bytes behind it,
// then the load address in the SoC's internal RAM.
struct XLoaderHeader {
  static constexpr uint32_t kSize = 8;
  static constexpr uint32_t kLoadAddress = 0x40200800;

  // An image as the writer takes it: the size word counts exactly the bytes behind the header.
  static bool MatchesImage(std::span<const uint8_t> image) {
    return image.size() >= kSize && LoadLe32(image.data()) == image.size() - kSize &&
           LoadLe32(image.data() + 4) == kLoadAddress;
  }

  // A partition as the boot ROM reads it: the load address, and a loader that fits.
  static bool Loadable(std::span<const uint8_t> partition) {
    return partition.size() >= kSize && LoadLe32(partition.data()) <= partition.size() - kSize &&
           LoadLe32(partition.data() + 4) == kLoadAddress;
  }
};

}  // namespace solvane
