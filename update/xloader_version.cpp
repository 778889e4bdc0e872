#include "update/xloader_version.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace solvane {

namespace {

constexpr std::string_view kMarker = "X-Loader ";
constexpr size_t kMaxVersionText = 200;

}  // namespace

std::string XLoaderVersionText(const uint8_t* image, size_t length) {
  std::string_view bytes(reinterpret_cast<const char*>(image), length);
  size_t start = bytes.find(kMarker);
  if (start == std::string_view::npos) {
    return {};
  }
  std::string_view rest = bytes.substr(start, kMaxVersionText);
  return std::string(rest.substr(0, rest.find('\0')));
}

}  // namespace solvane
