#pragma once

#include <cstdint>

namespace solvane {

// No firmware image of this program decodes to more than 64 MiB (the largest,
// the application code, is under 4 MiB). A larger length field means the file
// is no container: a raw image's first four bytes, say.
inline constexpr uint32_t kMaxDecodedLength = 64 * 1024 * 1024;

// Throws std::runtime_error for a decoded length above kMaxDecodedLength,
// unless `anyLength` asks to decode whatever the container claims.
void CheckDecodedLength(uint32_t decodedLength, bool anyLength);

}  // namespace solvane
