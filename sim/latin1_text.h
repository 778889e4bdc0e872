#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solvane {

// The writer's texts are bytes in the Windows ANSI code page; JSON wants UTF-8.
// Each byte is taken as the Latin-1 character of its value, so every text goes
// into JSON and back unchanged.
std::string Latin1ToUtf8(std::string_view text);
// Empty when the text is not UTF-8 or holds a character above U+00FF.
std::optional<std::string> Utf8ToLatin1(std::string_view text);

}  // namespace solvane
