#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace solvane {

inline void AppendLe16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendLe32(std::vector<uint8_t>& out, uint32_t value) {
  AppendLe16(out, value);
  AppendLe16(out, value >> 16);
}

inline void AppendText(std::vector<uint8_t>& out, std::string_view text) {
  for (char c : text) {
    out.push_back(static_cast<uint8_t>(c));
  }
}

}  // namespace solvane
