#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace solvane {

// The message buffers of the run: texts longer than these are cut, never overrun.
inline constexpr size_t kMessageBuffer = 512;
inline constexpr size_t kShortMessageBuffer = 128;

// printf into a buffer of `bufferSize` characters.
std::string FormatText(size_t bufferSize, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// A version word's major, minor and patch bytes, and its beta byte.
inline unsigned Major(uint32_t version) {
  return version >> 24;
}
inline unsigned Minor(uint32_t version) {
  return (version >> 16) & 0xFF;
}
inline unsigned Patch(uint32_t version) {
  return (version >> 8) & 0xFF;
}
inline unsigned Beta(uint32_t version) {
  return version & 0xFF;
}

}  // namespace solvane
