#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace solvane {

// The LZARI stream of `data` as the classic 1989 encoder writes it, without the
// length header.
std::vector<uint8_t> LzariEncode(std::span<const uint8_t> data);

// An image container: the decoded length as 4 little-endian bytes, then the
// stream.
std::vector<uint8_t> PackImageContainer(std::span<const uint8_t> data);

}  // namespace solvane
