#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace solvane::testing {

// Deterministic inputs for the LZARI tests.
std::vector<uint8_t> RandomBytes(std::size_t size, uint32_t seed);
// Instruction-like words with repeated idioms: compresses about as well as the
// writer's code images.
std::vector<uint8_t> CodeLikeBytes(std::size_t size, uint32_t seed);

}  // namespace solvane::testing
