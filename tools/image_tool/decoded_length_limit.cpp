#include "tools/image_tool/decoded_length_limit.h"

#include <stdexcept>
#include <string>

namespace solvane {

void CheckDecodedLength(uint32_t decodedLength, bool anyLength) {
  if (decodedLength > kMaxDecodedLength && !anyLength) {
    throw std::runtime_error("decoded length " + std::to_string(decodedLength) +
                             " is more than 64 MiB: not an image container?"
                             " (--any-length decodes it anyway)");
  }
}

}  // namespace solvane
