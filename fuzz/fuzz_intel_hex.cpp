#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "package/intel_hex.h"

// The loader reads libFuzzer's own buffer, which holds exactly the text's bytes,
// and the memory image is small, so the sanitizers catch any read past the text
// or write past the image.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr uint32_t kImageSize = 0x1000;
  auto image = std::make_unique<uint8_t[]>(kImageSize);
  std::memset(image.get(), 0xFF, kImageSize);
  int32_t result =
      solvane::LoadIntelHex(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size),
                            image.get(), kImageSize, 0x80000000);
  if (result == 0 || result < solvane::kHexBadChecksum || result > int32_t{kImageSize}) {
    __builtin_trap();
  }
  return 0;
}
