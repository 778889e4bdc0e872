#pragma once

#include <cstddef>
#include <string>

namespace solvane {

// The message buffers of the run: texts longer than these are cut, never overrun.
inline constexpr size_t kMessageBuffer = 512;
inline constexpr size_t kShortMessageBuffer = 128;

// printf into a buffer of `bufferSize` characters.
std::string FormatText(size_t bufferSize, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace solvane
