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

// The texts that more than one step reports, each into a buffer of `bufferSize`.
// A transfer or identification the writer refused, with its result:
std::string ProgramErrorText(size_t bufferSize, uint32_t result);
// A writer of a model this update is not for:
std::string ImproperMachineText(size_t bufferSize, const char* modelName);

}  // namespace solvane
