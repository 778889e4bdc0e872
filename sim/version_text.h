#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace solvane {

// A version word from its text: "2.00.00" (major.minor[.patch[.beta]], each
// part one or two hexadecimal digits), or the word itself in decimal or after
// "0x" in hexadecimal ("0x02000000"). Empty when the text is neither.
std::optional<uint32_t> ParseVersionWord(const std::string& text);

}  // namespace solvane
