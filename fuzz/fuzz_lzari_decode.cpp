#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "package/arithmetic_compression.h"

// The first two bytes give the decoded length (below 16 KiB, to keep runs fast);
// the rest is the stream, in a buffer of exactly its size. The output buffer
// holds exactly what Decode may write, so an overrun either way trips the
// sanitizer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2)
    return 0;
  const uint32_t decodedLength = (data[0] | (data[1] << 8)) & 0x3FFF;
  const size_t streamSize = size - 2;
  auto stream = std::make_unique<uint8_t[]>(streamSize);
  std::copy(data + 2, data + size, stream.get());
  auto output = std::make_unique<uint8_t[]>(decodedLength + 59);
  solvane::CArithmeticCompression decoder;
  const uint32_t count =
      decoder.Decode(stream.get(), static_cast<uint32_t>(streamSize), output.get(), decodedLength);
  const bool empty = streamSize == 0 || decodedLength == 0;
  if (empty ? count != 0 : count < decodedLength || count > decodedLength + 59)
    __builtin_trap();
  return 0;
}
