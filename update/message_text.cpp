#include "update/message_text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace solvane {

std::string FormatText(size_t bufferSize, const char* format, ...) {
  std::vector<char> buffer(bufferSize);
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(buffer.data(), bufferSize, format, arguments);
  va_end(arguments);
  if (length < 0) {
    return {};
  }
  return std::string(buffer.data(), std::min<size_t>(length, bufferSize - 1));
}

}  // namespace solvane
