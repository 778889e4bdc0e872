#pragma once

#include <cstdint>
#include <vector>

namespace solvane {

// The raw firmware image with resource id `id` (169 to 174, 189 to 191), made for
// the simulated writer: deterministic, with the decoded sizes and structure the
// program expects. Empty for any other id.
std::vector<uint8_t> GenerateImage(uint32_t id);

}  // namespace solvane
