#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace solvane {

// Whole-file reads and writes for the image tools; both throw std::runtime_error
// with the path in the message.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace solvane
