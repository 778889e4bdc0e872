#include "sim/latin1_text.h"

namespace solvane {

std::string Latin1ToUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | byte >> 6);
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
  std::string latin1;
  latin1.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      latin1 += text[i];
      continue;
    }
    // Two-byte sequences of U+0080 to U+00FF only: lead byte 0xC2 or 0xC3.
    if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= text.size() ||
        (static_cast<unsigned char>(text[i + 1]) & 0xC0) != 0x80) {
      return std::nullopt;
    }
    latin1 +=
        static_cast<char>((byte & 0x03) << 6 | (static_cast<unsigned char>(text[++i]) & 0x3F));
  }
  return latin1;
}

}  // namespace solvane
