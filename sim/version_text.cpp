#include "sim/version_text.h"

#include <vector>

namespace solvane {

namespace {

bool AllOf(const std::string& text, const char* digits) {
  return !text.empty() && text.find_first_not_of(digits) == std::string::npos;
}

std::optional<uint32_t> ParseWord(const std::string& text) {
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  if (!AllOf(digits, hex ? "0123456789abcdefABCDEF" : "0123456789") || digits.size() > 10) {
    return std::nullopt;
  }
  uint64_t word = std::stoull(digits, nullptr, hex ? 16 : 10);
  if (word > 0xFFFFFFFF) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(word);
}

}  // namespace

std::optional<uint32_t> ParseVersionWord(const std::string& text) {
  if (text.find('.') == std::string::npos) {
    return ParseWord(text);
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) {
      break;
    }
    start = dot + 1;
  }
  if (parts.size() < 2 || parts.size() > 4) {
    return std::nullopt;
  }
  uint32_t word = 0;
  int shift = 24;
  for (const std::string& part : parts) {
    if (!AllOf(part, "0123456789abcdefABCDEF") || part.size() > 2) {
      return std::nullopt;
    }
    word |= static_cast<uint32_t>(std::stoul(part, nullptr, 16)) << shift;
    shift -= 8;
  }
  return word;
}

}  // namespace solvane
