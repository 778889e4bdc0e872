#pragma once

#include <cstdint>
#include <string>

namespace solvane::probe {

// Flips one byte of the LZARI stream of RCDATA resource `id` in the PE file at
// `path`, found through the file's resource directory: the first byte from the
// stream's middle on whose change leaves the decoded length as it was, so only
// the content is wrong. Prints "damaged byte at OFFSET" with the file offset,
// or why it could not.
int DamageRcdata(const std::string& path, uint32_t id);

}  // namespace solvane::probe
