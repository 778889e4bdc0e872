#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "package/arithmetic_compression.h"
#include "tools/lzari/lzari_reference_decoder.h"

// The first two bytes give the decoded length (below 128, so that a minute
// runs many thousands of streams); the rest is the stream, in a buffer of
// exactly its size. The output buffer holds exactly what Decode may write, so
// an overrun either way trips the sanitizer, and the bytes written must be the
// classic decoder's, which reads the bits past the end as 0.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2)
    return 0;
  const uint32_t decodedLength = (data[0] | (data[1] << 8)) & 0x7F;
  const size_t streamSize = size - 2;
  auto stream = std::make_unique<uint8_t[]>(streamSize);
  std::copy(data + 2, data + size, stream.get());
  auto output = std::make_unique<uint8_t[]>(decodedLength + 59);
  // One decoder for every input, as one may decode any number of images; its
  // fixed position model is built once.
  static solvane::CArithmeticCompression decoder;
  const uint32_t count =
      decoder.Decode(stream.get(), static_cast<uint32_t>(streamSize), output.get(), decodedLength);
  const bool empty = streamSize == 0 || decodedLength == 0;
  if (empty ? count != 0 : count < decodedLength || count > decodedLength + 59)
    __builtin_trap();
  if (!empty) {
    const std::vector<uint8_t> classic =
        solvane::LzariReferenceDecode({stream.get(), streamSize}, decodedLength, 0);
    if (!std::equal(classic.begin(), classic.end(), output.get(), output.get() + count))
      __builtin_trap();
  }
  return 0;
}
