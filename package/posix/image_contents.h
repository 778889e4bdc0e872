#pragma once

#include <cstdint>

namespace solvane {

// What the embedded image `id` holds, for listings; "unknown image" for other ids.
const char* ImageContent(uint32_t id);

}  // namespace solvane
